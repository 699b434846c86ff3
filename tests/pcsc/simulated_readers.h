#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "pcsc_test_support.h"

// Runs a test against the in-process PC/SC simulator: writes the configuration, points the
// binding at the simulator and keeps the simulator loaded for the test's whole life (the binding
// unloads its own reference at every release), so that cards can be removed and inserted while
// the code under test runs. A connection that would have hung on pcscd (a reader held in a
// transaction) fails the test that made it.
namespace velkor::testing {

struct ScriptProgress {
    unsigned long consumed = 0;
    unsigned long total = 0;
    unsigned long mismatches = 0;
};

class SimulatedReaders {
public:
    explicit SimulatedReaders(const nlohmann::json& config)
        : configPath_(NewConfigPath())
    {
        configEnv_.Set("VELKOR_SIM_CONFIG", configPath_.string());
        library_.emplace(VELKOR_SIM_LIBRARY);
        Write(config);
        handle_ = dlopen(VELKOR_SIM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            throw std::runtime_error(std::string("cannot load the simulator: ") + dlerror());
        }
        Reload(config);
        blockedAtStart_ = BlockedConnects();
    }
    SimulatedReaders(const SimulatedReaders&) = delete;
    SimulatedReaders& operator=(const SimulatedReaders&) = delete;
    ~SimulatedReaders()
    {
        const unsigned long blocked = BlockedConnects() - blockedAtStart_;
        EXPECT_EQ(blocked, 0u) << "connections that would block on pcscd (see stderr)";
        library_.reset();
        dlclose(handle_);
        std::error_code ignored;
        std::filesystem::remove(configPath_, ignored);
    }

    // Replaces the configuration while running: readers may vanish, cards are seen as removed.
    void Reload(const nlohmann::json& config)
    {
        Write(config);
        if (Call<int (*)()>("velkor_sim_reload")() != 0) {
            throw std::runtime_error("the simulator refused its configuration");
        }
    }
    int RemoveCard(const std::string& reader)
    {
        return Call<int (*)(const char*)>("velkor_sim_remove_card")(reader.c_str());
    }
    // Re-inserts the card last removed from the reader.
    int InsertCard(const std::string& reader)
    {
        return Call<int (*)(const char*, const char*)>("velkor_sim_insert_card")(
            reader.c_str(), nullptr);
    }
    // SCardConnect calls so far that pcscd would never have answered, in this process.
    unsigned long BlockedConnects()
    {
        return Call<unsigned long (*)()>("velkor_sim_blocked_connects")();
    }
    ScriptProgress Progress(const std::string& reader)
    {
        ScriptProgress progress;
        Call<int (*)(const char*, unsigned long*, unsigned long*, unsigned long*)>(
            "velkor_sim_script_progress")(
            reader.c_str(), &progress.consumed, &progress.total, &progress.mismatches);
        return progress;
    }

private:
    static std::filesystem::path NewConfigPath()
    {
        static std::atomic<int> counter { 0 };
        return std::filesystem::temp_directory_path()
            / ("velkor-sim-" + std::to_string(getpid()) + "-" + std::to_string(counter++)
                + ".json");
    }
    void Write(const nlohmann::json& config) { std::ofstream(configPath_) << config.dump(2); }
    template <typename F> F Call(const char* name)
    {
        void* entry = dlsym(handle_, name);
        if (entry == nullptr) {
            throw std::runtime_error(std::string("the simulator lacks ") + name);
        }
        return reinterpret_cast<F>(entry);
    }

    std::filesystem::path configPath_;
    ScopedEnvironment configEnv_;
    std::optional<ScopedPcscLibrary> library_;
    void* handle_ = nullptr;
    unsigned long blockedAtStart_ = 0;
};

// A card whose answers follow `script`: pairs of command and answer, in hexadecimal.
inline nlohmann::json ScriptedCard(const std::string& protocol,
    std::initializer_list<std::pair<std::string, std::string>> script,
    const std::string& atr = "3B8F8001804F0CA000000306030001000000006A")
{
    nlohmann::json steps = nlohmann::json::array();
    for (const auto& [command, response] : script) {
        steps.push_back({ { "command", command }, { "response", response } });
    }
    return { { "atr", atr }, { "protocol", protocol }, { "script", steps } };
}

} // namespace velkor::testing
