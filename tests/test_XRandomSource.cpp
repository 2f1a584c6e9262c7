// XRandomSource: the seed formed from injected clock readings, the generator state after seeding
// compared with the standard library's MT19937, and the file teardown.
#include <doctest/doctest.h>

#include "services/XRandomSource.h"

#include <initializer_list>
#include <random>
#include <sstream>

namespace {

SYSTEMTIME Time(WORD year, WORD month, WORD dayOfWeek, WORD day, WORD hour, WORD minute, WORD second,
                WORD milliseconds)
{
    SYSTEMTIME time;
    time.wYear = year;
    time.wMonth = month;
    time.wDayOfWeek = dayOfWeek;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = milliseconds;
    return time;
}

LARGE_INTEGER Counter(uint32_t high, uint32_t low)
{
    LARGE_INTEGER counter;
    counter.HighPart = static_cast<LONG>(high);
    counter.LowPart = low;
    return counter;
}

} // namespace

TEST_CASE("the seed is formed from the three clocks")
{
    // Squares of second, millisecond, minute, hour and year: 900 + 62500 + 2025 + 169 + 4096576.
    const SYSTEMTIME base = Time(2024, 5, 3, 15, 13, 45, 30, 250);
    const SYSTEMTIME ones = Time(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF);
    struct Case {
        const char* what;
        SYSTEMTIME time;
        bool counterOk;
        LARGE_INTEGER counter;
        uint32_t ticks;
        uint32_t seed;
    };
    const Case cases[] = {
        {"sum times low word, plus high word, plus ticks (wrapping)", base, true, Counter(0x12, 0x89ABCDEF), 1000, 2286192096u},
        {"another month", Time(2024, 12, 3, 15, 13, 45, 30, 250), true, Counter(0x12, 0x89ABCDEF), 1000, 2286192096u},
        {"another day", Time(2024, 5, 3, 1, 13, 45, 30, 250), true, Counter(0x12, 0x89ABCDEF), 1000, 2286192096u},
        {"another weekday", Time(2024, 5, 6, 15, 13, 45, 30, 250), true, Counter(0x12, 0x89ABCDEF), 1000, 2286192096u},
        {"high word added after the multiplication (low 0)", base, true, Counter(0x12, 0), 1000, 0x12 + 1000},
        {"high word added after the multiplication (low 1)", base, true, Counter(0x12, 1), 1000, 4162170 + 0x12 + 1000},
        {"failing counter: sum plus ticks", base, false, Counter(0x12, 0x89ABCDEF), 1000, 4162170 + 1000},
        {"16-bit fields squared without overflow, all wrapping", ones, true, Counter(0xFFFFFFFF, 3), 7, 0xFFE20015u},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        CHECK(XRandomSource::SeedFromClocks(c.time, c.counterOk, c.counter, c.ticks) == c.seed);
    }
}

TEST_CASE("after seeding, the state is the standard MT19937 state for that seed")
{
    XRandomSource source;
    for (uint32_t seed : {0u, 1u, 5489u, 0x9E3779B9u, 0xFFFFFFFFu}) {
        CAPTURE(seed);
        source.Seed(seed);
        CHECK(source.m_index == 624);
        CHECK(source.m_state[0] == seed);
        // The standard stream output of an engine lists its state words, oldest first.
        std::mt19937 reference(seed);
        std::ostringstream text;
        text << reference;
        std::istringstream words(text.str());
        int mismatches = 0;
        for (uint32_t i = 0; i < XRAND_STATE_WORDS; ++i) {
            uint32_t word = 0;
            words >> word;
            mismatches += source.m_state[i] != word ? 1 : 0;
        }
        CHECK(words.good());
        CHECK(mismatches == 0);
    }
}

TEST_CASE("a new source has no file and no buffer; its teardown closes only a file handle it owns")
{
    XFile empty;
    CHECK(empty.m_name.IsEmpty());
    CHECK(empty.m_handle == INVALID_HANDLE_VALUE);
    CHECK(empty.m_reserved == 0);
    CHECK(empty.m_ownsHandle == 0);

    for (bool owns : {true, false}) {
        CAPTURE(owns);
        HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        REQUIRE(handle != nullptr);
        {
            XRandomSource source;
            CHECK(source.m_file.m_handle == INVALID_HANDLE_VALUE);
            CHECK(source.m_memBuffer.m_block == nullptr);
            source.m_file.m_handle = handle;
            source.m_file.m_ownsHandle = owns ? 1 : 0;
        }
        DWORD flags = 0;
        bool stillOpen = GetHandleInformation(handle, &flags) != 0;
        CHECK(stillOpen == !owns);
        if (stillOpen)
            CloseHandle(handle);
    }
}
