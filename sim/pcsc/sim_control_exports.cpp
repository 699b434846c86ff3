#include "resource_manager.h"
#include "velkor_sim.h"

// The functions through which a test moves cards while the program under test runs.
#define VELKOR_EXPORT __attribute__((visibility("default")))

using velkor::sim::ResourceManager;

extern "C" {

VELKOR_EXPORT int velkor_sim_reload(void)
{
    return ResourceManager::Instance().Reload();
}

VELKOR_EXPORT int velkor_sim_remove_card(const char* reader)
{
    if (reader == nullptr) {
        return VELKOR_SIM_UNKNOWN_READER;
    }
    return ResourceManager::Instance().RemoveCard(reader);
}

VELKOR_EXPORT int velkor_sim_insert_card(const char* reader, const char* cardJson)
{
    if (reader == nullptr) {
        return VELKOR_SIM_UNKNOWN_READER;
    }
    return ResourceManager::Instance().InsertCard(reader, cardJson);
}

VELKOR_EXPORT int velkor_sim_script_progress(
    const char* reader, unsigned long* consumed, unsigned long* total, unsigned long* mismatches)
{
    if (reader == nullptr) {
        return VELKOR_SIM_UNKNOWN_READER;
    }
    velkor::sim::ScriptProgress progress;
    const int result = ResourceManager::Instance().GetScriptProgress(reader, progress);
    if (result == VELKOR_SIM_OK) {
        if (consumed != nullptr) {
            *consumed = progress.consumed;
        }
        if (total != nullptr) {
            *total = progress.total;
        }
        if (mismatches != nullptr) {
            *mismatches = progress.mismatches;
        }
    }
    return result;
}

VELKOR_EXPORT unsigned long velkor_sim_blocked_connects(void)
{
    return ResourceManager::Instance().BlockedConnects();
}

} // extern "C"
