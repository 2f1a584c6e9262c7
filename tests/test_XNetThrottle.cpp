// XNetThrottle::Wait sleeps only for a non-zero time and always reports success.
#include <doctest/doctest.h>

#include "services/XNetThrottle.h"

#include <windows.h>

namespace {

// The performance counter: Wine's GetTickCount advances in steps of about 16 ms.
double NowMs()
{
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

TEST_CASE("Wait(0) returns true at once; Wait(n) sleeps about n milliseconds")
{
    XNetThrottle throttle;
    struct Case {
        uint32_t milliseconds;
        double atLeast;
        double below;
    };
    const Case cases[] = {{0, 0, 10}, {60, 55, 1000}};
    for (const Case& c : cases) {
        CAPTURE(c.milliseconds);
        double start = NowMs();
        CHECK(throttle.Wait(c.milliseconds));
        double elapsed = NowMs() - start;
        CHECK(elapsed >= c.atLeast);
        CHECK(elapsed < c.below);
    }
}
