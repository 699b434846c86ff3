// The simulator's configuration file (readers, cards, fault and event plans).
#include <cstdint>
#include <string>

#include "sim_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    velkor::sim::ParseSimConfig(std::string(reinterpret_cast<const char*>(data), size), error);
    return 0;
}
