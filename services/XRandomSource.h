// XRandomSource manages an MT19937 generator seeded from the system time, the performance
// counter and the tick count, with a file and a heap buffer that it keeps for its users.
#pragma once

#include <windows.h>
#include <cstdint>

#include "foundation/XMemBuffer.h"
#include "services/XFile.h"

const uint32_t XRAND_STATE_WORDS = 624;

class XRandomSource {
public:
    // Reads the three clocks and seeds the generator.
    XRandomSource();
    XRandomSource(const XRandomSource&) = delete;
    XRandomSource& operator=(const XRandomSource&) = delete;

    // The seed from clock readings, in unsigned 32-bit arithmetic with wrap-around: the sum of
    // the squares of the time's second, millisecond, minute, hour and year, multiplied by the
    // counter's low word with its high word added (only when counterOk), plus the tick count.
    // Month, day and weekday do not enter.
    static uint32_t SeedFromClocks(const SYSTEMTIME& time, bool counterOk, LARGE_INTEGER counter,
                                   uint32_t tickCount);
    // MT19937's standard initialisation (init_genrand); m_index becomes 624.
    void Seed(uint32_t seed);

    // Initialised before every other member and deleted after them, as its first member.
    struct Lock {
        Lock() { InitializeCriticalSection(&m_section); }
        ~Lock() { DeleteCriticalSection(&m_section); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        CRITICAL_SECTION m_section;
    };

    Lock m_lock;                    // never entered by the framework itself
    uint32_t m_state[XRAND_STATE_WORDS];
    uint32_t m_index;               // 624 after seeding
    XFile m_file;                   // no file open
    XMemBuffer m_memBuffer;         // empty
};
