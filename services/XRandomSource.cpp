#include "services/XRandomSource.h"

XRandomSource::XRandomSource()
    : m_index(0)
{
    SYSTEMTIME time;
    GetSystemTime(&time);
    LARGE_INTEGER counter;
    counter.QuadPart = 0;
    bool counterOk = QueryPerformanceCounter(&counter) != 0;
    Seed(SeedFromClocks(time, counterOk, counter, GetTickCount()));
}

uint32_t XRandomSource::SeedFromClocks(const SYSTEMTIME& time, bool counterOk, LARGE_INTEGER counter,
                                       uint32_t tickCount)
{
    // Widened before squaring: 0xFFFF * 0xFFFF in int arithmetic would overflow.
    const WORD fields[] = {time.wSecond, time.wMilliseconds, time.wMinute, time.wHour, time.wYear};
    uint32_t sum = 0;
    for (WORD field : fields) {
        uint32_t value = field;
        sum += value * value;
    }
    if (counterOk)
        sum = sum * counter.LowPart + static_cast<uint32_t>(counter.HighPart);
    return sum + tickCount;
}

void XRandomSource::Seed(uint32_t seed)
{
    m_state[0] = seed;
    for (uint32_t i = 1; i < XRAND_STATE_WORDS; ++i)
        m_state[i] = 1812433253u * (m_state[i - 1] ^ (m_state[i - 1] >> 30)) + i;
    m_index = XRAND_STATE_WORDS;
}
