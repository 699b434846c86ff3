#include "agent/simulator_cards.h"

#include <dlfcn.h>

#include <cstdlib>

namespace velkor {

namespace {

// Return codes of the simulator's control functions (sim/pcsc/velkor_sim.h).
std::string SimulatorProblem(int code)
{
    switch (code) {
    case -1:
        return "the simulator has no such reader";
    case -2:
        return "the reader holds no card to take out, or none to put back";
    case -3:
        return "the reader already holds a card";
    default:
        return "the simulator refused (" + std::to_string(code) + ")";
    }
}

} // namespace

bool MoveSimulatorCard(const Text& reader, bool insert, std::string& problem)
{
    const char* path = std::getenv("VELKOR_PCSC_LIBRARY");
    void* library
        = path != nullptr && *path != '\0' ? dlopen(path, RTLD_NOW | RTLD_NOLOAD) : nullptr;
    if (library == nullptr) {
        problem = "no PC/SC simulator is loaded (VELKOR_PCSC_LIBRARY)";
        return false;
    }
    const std::string name = TextToUtf8(reader);
    int code = 0;
    if (insert) {
        using Insert = int (*)(const char*, const char*);
        auto* entry = reinterpret_cast<Insert>(dlsym(library, "velkor_sim_insert_card"));
        code = entry != nullptr ? entry(name.c_str(), nullptr) : 1;
    } else {
        using Remove = int (*)(const char*);
        auto* entry = reinterpret_cast<Remove>(dlsym(library, "velkor_sim_remove_card"));
        code = entry != nullptr ? entry(name.c_str()) : 1;
    }
    dlclose(library);
    if (code == 1) {
        problem = "the PC/SC library in use is not the simulator";
        return false;
    }
    if (code != 0) {
        problem = SimulatorProblem(code) + " (reader \"" + name + "\")";
        return false;
    }
    return true;
}

} // namespace velkor
