#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "common/secure_buffer.h"

namespace velkor {
namespace {

TEST(SecureBytes, TruncateAndClearWipeTheDroppedBytesInPlace)
{
    SecureBytes bytes(8);
    std::memset(bytes.data(), 0xAB, 8);
    const uint8_t* storage = bytes.data();
    bytes.Truncate(3);
    EXPECT_EQ(bytes.size(), 3u);
    EXPECT_EQ(bytes.data(), storage); // no reallocation that would leave a copy behind
    for (size_t i = 3; i < 8; ++i) {
        EXPECT_EQ(storage[i], 0) << i;
    }
    bytes.Clear();
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(storage[i], 0) << i;
    }
}

TEST(WipeOnExit, WipesStringCapacityAndPlainArrays)
{
    std::string pin = "1234567890123456789012345"; // longer than the small-string buffer
    const char* storage = pin.data();
    const size_t capacity = pin.capacity();
    uint8_t key[16];
    std::memset(key, 0x5A, sizeof key);
    {
        WipeOnExit wipePin(pin);
        WipeOnExit wipeKey(key);
    }
    EXPECT_TRUE(pin.empty());
    for (size_t i = 0; i < capacity; ++i) {
        EXPECT_EQ(storage[i], 0) << i;
    }
    for (uint8_t b : key) {
        EXPECT_EQ(b, 0);
    }
}

// The mapping that holds `address`, as /proc/self/smaps describes it: its VmFlags line.
std::string VmFlagsOf(const void* address)
{
    std::ifstream smaps("/proc/self/smaps");
    const auto where = reinterpret_cast<uintptr_t>(address);
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        uintptr_t start = 0, end = 0;
        char dash = 0;
        if (std::istringstream(line) >> std::hex >> start >> dash >> end && dash == '-') {
            inside = start <= where && where < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return {};
}

TEST(SecureBytes, StorageIsKeptOutOfCoreDumps)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "ordinary heap under AddressSanitizer, for its bounds checks";
#endif
    SecureBytes key(24);
    EXPECT_NE(VmFlagsOf(key.data()).find(" dd"), std::string::npos) << VmFlagsOf(key.data());
    SecureBytes copy = key;
    EXPECT_NE(VmFlagsOf(copy.data()).find(" dd"), std::string::npos);
}

} // namespace
} // namespace velkor
