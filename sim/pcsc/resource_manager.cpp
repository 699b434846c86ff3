#include "resource_manager.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "card_factory.h"
#include "velkor_sim.h"

namespace velkor::sim {

ResourceManager& ResourceManager::Instance()
{
    static ResourceManager manager;
    return manager;
}

// Loads the configuration on first use, and again when VELKOR_SIM_CONFIG names another file by
// the time a program establishes a context (tests switch configurations between cases). An
// unusable configuration behaves as a stopped service and is reported once on standard error.
bool ResourceManager::Ready(bool followEnvironment)
{
    if (loaded_ && !followEnvironment) {
        return true;
    }
    const char* path = std::getenv("VELKOR_SIM_CONFIG");
    if (loaded_ && (path == nullptr || loadedPath_ == path)) {
        return true;
    }
    if (!loaded_ && failedPath_ && *failedPath_ == (path != nullptr ? path : "")) {
        return false;
    }
    return LoadFromEnvironment();
}

bool ResourceManager::LoadFromEnvironment()
{
    const char* path = std::getenv("VELKOR_SIM_CONFIG");
    std::string error;
    std::optional<SimConfig> config;
    if (path == nullptr || *path == '\0') {
        error = "VELKOR_SIM_CONFIG is not set";
    } else {
        config = LoadSimConfig(path, error);
    }
    if (!config) {
        const std::string reported = path != nullptr ? path : "";
        if (failedPath_ != reported) {
            std::cerr << "velkor-sim: " << error << "; answering as a stopped PC/SC service\n";
        }
        failedPath_ = reported;
        loaded_ = false;
        loadedPath_.clear();
        readers_.clear();
        return false;
    }
    failedPath_.reset();
    loadedPath_ = path;
    Install(std::move(*config));
    return true;
}

// Contexts survive a new configuration (as they survive a card swap); every card handle sees its
// card removed, because each new reader starts a new generation.
void ResourceManager::Install(SimConfig config)
{
    readers_.clear();
    for (auto& readerConfig : config.readers) {
        Reader reader;
        reader.config = std::move(readerConfig);
        reader.generation = nextGeneration_++;
        readers_.push_back(std::move(reader));
    }
    for (auto& reader : readers_) {
        if (!reader.config.card.is_null()) {
            std::string error;
            // Checked while parsing, so building the card again cannot fail here.
            auto card = MakeCard(reader.config.card, error);
            card->PowerOn();
            reader.card = std::move(card);
        }
    }
    faults_ = FaultPlan(std::move(config.faults));
    events_ = EventPlan(std::move(config.events));
    loaded_ = true;
    changed_.notify_all();
}

void ResourceManager::Remove(Reader& reader)
{
    reader.card->PowerOff();
    reader.removedCard = std::move(reader.card);
    reader.generation = nextGeneration_++;
    ++reader.eventCounter;
    reader.lockHolder = 0;
    reader.lockDepth = 0;
    changed_.notify_all();
}

void ResourceManager::Insert(Reader& reader, std::unique_ptr<VirtualCard> card)
{
    card->PowerOn();
    reader.card = std::move(card);
    reader.generation = nextGeneration_++;
    ++reader.eventCounter;
    changed_.notify_all();
}

void ResourceManager::AfterCall(const char* call)
{
    events_.AfterCall(call, [this](const EventConfig& event) {
        Reader* reader = FindReader(event.reader);
        if (reader == nullptr) {
            return;
        }
        if (event.action == EventConfig::Action::Remove) {
            if (reader->card) {
                Remove(*reader);
            }
            return;
        }
        if (reader->card) {
            return; // a reader holds one card
        }
        std::unique_ptr<VirtualCard> card;
        if (!event.card.is_null()) {
            std::string error;
            card = MakeCard(event.card, error);
        } else {
            card = std::move(reader->removedCard);
        }
        if (card) {
            Insert(*reader, std::move(card));
        }
    });
}

// Another process (a browser test driving the agent, which loads this library) moves cards by
// writing lines "remove READER" or "insert READER" (the card last removed goes back) to a file of
// its own and renaming it to the path VELKOR_SIM_CONTROL names. The file is taken by renaming it
// away, so each command is applied once and never half written, at the program's next PC/SC call.
void ResourceManager::ApplyControlFile()
{
    const char* path = std::getenv("VELKOR_SIM_CONTROL");
    if (path == nullptr || *path == '\0') {
        return;
    }
    const std::string taken = std::string(path) + ".taken";
    if (std::rename(path, taken.c_str()) != 0) {
        return; // nothing asked for
    }
    std::ifstream file(taken);
    std::string line;
    while (std::getline(file, line)) {
        const size_t space = line.find(' ');
        const std::string action = line.substr(0, space);
        const std::string name = space == std::string::npos ? "" : line.substr(space + 1);
        Reader* reader = FindReader(name);
        if (reader == nullptr || (action != "remove" && action != "insert")) {
            std::cerr << "velkor-sim: control file: cannot apply \"" << line << "\"\n";
        } else if (action == "remove" && reader->card) {
            Remove(*reader);
        } else if (action == "insert" && !reader->card && reader->removedCard) {
            Insert(*reader, std::move(reader->removedCard));
        }
    }
    file.close();
    std::remove(taken.c_str());
}

std::optional<LONG> ResourceManager::Fault(const char* call, const std::string* reader)
{
    const auto injected = faults_.Check(call, reader);
    if (!injected) {
        return std::nullopt;
    }
    return static_cast<LONG>(static_cast<uint32_t>(*injected));
}

ResourceManager::Reader* ResourceManager::FindReader(const std::string& name)
{
    for (auto& reader : readers_) {
        if (reader.config.name == name) {
            return &reader;
        }
    }
    return nullptr;
}

ResourceManager::Handle* ResourceManager::FindHandle(SCARDHANDLE card)
{
    const auto found = handles_.find(card);
    return found == handles_.end() ? nullptr : &found->second;
}

const std::string* ResourceManager::ReaderOf(SCARDHANDLE card)
{
    const Handle* handle = FindHandle(card);
    return handle == nullptr ? nullptr : &handle->reader;
}

LONG ResourceManager::CheckAccess(const Handle& handle, Reader*& reader)
{
    reader = FindReader(handle.reader);
    if (reader == nullptr) {
        return SCARD_E_READER_UNAVAILABLE;
    }
    if (!reader->card || handle.generation != reader->generation) {
        return SCARD_W_REMOVED_CARD;
    }
    if (handle.resetPending) {
        return SCARD_W_RESET_CARD;
    }
    return SCARD_S_SUCCESS;
}

// Like pcscd, every handle on the reader counts, including handles whose card was removed and
// that nobody disconnected yet: they keep their claim until they are disconnected or their
// context is released.
LONG ResourceManager::CheckSharing(const Reader& reader, SCARDHANDLE except, DWORD shareMode) const
{
    for (const auto& [id, handle] : handles_) {
        if (id == except || handle.reader != reader.config.name) {
            continue;
        }
        if (shareMode == SCARD_SHARE_EXCLUSIVE || handle.shareMode == SCARD_SHARE_EXCLUSIVE) {
            return SCARD_E_SHARING_VIOLATION;
        }
    }
    return SCARD_S_SUCCESS;
}

bool ResourceManager::LockedByAnother(const Reader& reader, SCARDHANDLE card)
{
    return reader.lockHolder != 0 && reader.lockHolder != card;
}

bool ResourceManager::HeldExclusively(const Reader& reader) const
{
    for (const auto& [id, handle] : handles_) {
        if (handle.reader == reader.config.name && handle.shareMode == SCARD_SHARE_EXCLUSIVE) {
            return true;
        }
    }
    return false;
}

void ResourceManager::ApplyDisposition(Reader& reader, SCARDHANDLE actor, DWORD disposition)
{
    if (!reader.card) {
        return;
    }
    if (disposition == SCARD_RESET_CARD) {
        reader.card->Reset();
    } else if (disposition == SCARD_UNPOWER_CARD) {
        reader.card->PowerOff();
        reader.card->PowerOn();
    } else {
        return; // leave; eject has no mechanism here, so the card stays as it is
    }
    for (auto& [id, handle] : handles_) {
        if (id != actor && handle.reader == reader.config.name
            && handle.generation == reader.generation) {
            handle.resetPending = true;
        }
    }
}

void ResourceManager::DropHandle(SCARDHANDLE card)
{
    const auto found = handles_.find(card);
    if (found == handles_.end()) {
        return;
    }
    if (Reader* reader = FindReader(found->second.reader); reader && reader->lockHolder == card) {
        reader->lockHolder = 0;
        reader->lockDepth = 0;
    }
    handles_.erase(found);
}

int ResourceManager::DrivenReader(const std::string& name, Reader*& reader)
{
    if (!Ready(false)) {
        return VELKOR_SIM_BAD_CONFIG;
    }
    reader = FindReader(name);
    return reader == nullptr ? VELKOR_SIM_UNKNOWN_READER : VELKOR_SIM_OK;
}

int ResourceManager::Reload()
{
    std::lock_guard lock(mutex_);
    failedPath_.reset();
    return LoadFromEnvironment() ? VELKOR_SIM_OK : VELKOR_SIM_BAD_CONFIG;
}

int ResourceManager::RemoveCard(const std::string& name)
{
    std::lock_guard lock(mutex_);
    Reader* reader = nullptr;
    if (const int found = DrivenReader(name, reader); found != VELKOR_SIM_OK) {
        return found;
    }
    if (!reader->card) {
        return VELKOR_SIM_NO_CARD;
    }
    Remove(*reader);
    return VELKOR_SIM_OK;
}

int ResourceManager::InsertCard(const std::string& name, const char* cardJson)
{
    std::lock_guard lock(mutex_);
    Reader* reader = nullptr;
    if (const int found = DrivenReader(name, reader); found != VELKOR_SIM_OK) {
        return found;
    }
    if (reader->card) {
        return VELKOR_SIM_CARD_PRESENT;
    }
    std::unique_ptr<VirtualCard> card;
    if (cardJson != nullptr) {
        const auto description = nlohmann::json::parse(cardJson, nullptr, false);
        std::string error;
        if (!description.is_discarded()) {
            card = MakeCard(description, error);
        } else {
            error = "card is not JSON";
        }
        if (!card) {
            std::cerr << "velkor-sim: cannot insert into " << name << ": " << error << "\n";
            return VELKOR_SIM_BAD_CARD;
        }
    } else {
        if (!reader->removedCard) {
            return VELKOR_SIM_NO_CARD;
        }
        card = std::move(reader->removedCard);
    }
    Insert(*reader, std::move(card));
    return VELKOR_SIM_OK;
}

int ResourceManager::GetScriptProgress(const std::string& name, ScriptProgress& progress)
{
    std::lock_guard lock(mutex_);
    Reader* reader = nullptr;
    if (const int found = DrivenReader(name, reader); found != VELKOR_SIM_OK) {
        return found;
    }
    const VirtualCard* card = reader->card ? reader->card.get() : reader->removedCard.get();
    if (card == nullptr) {
        return VELKOR_SIM_NO_CARD;
    }
    const auto found = card->Progress();
    if (!found) {
        return VELKOR_SIM_NO_SCRIPT;
    }
    progress = *found;
    return VELKOR_SIM_OK;
}

unsigned long ResourceManager::BlockedConnects()
{
    std::lock_guard lock(mutex_);
    return blockedConnects_;
}

} // namespace velkor::sim
