#include "crypto/data_process.h"

#include <bit>

#include <openssl/rand.h>

namespace velkor {

namespace {

uint8_t WithParity(uint8_t byte, RandomParity parity)
{
    const bool oddBits = std::popcount(byte) % 2 != 0;
    if ((parity == RandomParity::Odd && !oddBits) || (parity == RandomParity::Even && oddBits)) {
        byte ^= 0x01;
    }
    return byte;
}

} // namespace

bool CDataProcess::RandomBytes(uint8_t* output, size_t count, RandomParity parity)
{
    if (output == nullptr || (count != 8 && count != 16)
        || (parity != RandomParity::Odd && parity != RandomParity::Even
            && parity != RandomParity::AsDrawn)) {
        return false;
    }
    // Draw in batches; redraw any byte that is zero once its parity is set (even parity can turn
    // 01 into 00).
    uint8_t pool[32];
    WipeOnExit wipePool(pool);
    size_t used = sizeof pool;
    for (size_t i = 0; i < count;) {
        if (used == sizeof pool) {
            if (RAND_bytes(pool, sizeof pool) != 1) {
                Wipe(output, count);
                return false;
            }
            used = 0;
        }
        const uint8_t byte = WithParity(pool[used++], parity);
        if (byte != 0) {
            output[i++] = byte;
        }
    }
    return true;
}

uint32_t CDataProcess::RandomNumber()
{
    uint8_t draw[8] = {};
    WipeOnExit wipe(draw);
    if (!RandomBytes(draw, sizeof draw, RandomParity::AsDrawn)) {
        // The generator failing leaves nothing sensible to return; 0 keeps every window in range.
        return 0;
    }
    return static_cast<uint32_t>(draw[2]) | (static_cast<uint32_t>(draw[3]) << 8)
        | (static_cast<uint32_t>(draw[4]) << 16) | (static_cast<uint32_t>(draw[5]) << 24);
}

} // namespace velkor
