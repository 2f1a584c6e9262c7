// XNetThrottle paces network work: its Wait sleeps for a given time.
#pragma once

#include <cstdint>

// The slot order of the virtual operations is fixed; the table has no destructor, so an
// instance is never deleted through a pointer to this class.
class XNetThrottle {
public:
    constexpr XNetThrottle() {}

    virtual void Reserved1(uint32_t value);
    virtual void Reserved2(uint32_t value);
    // Sleeps for the given time, not at all for 0; always true.
    virtual bool Wait(uint32_t milliseconds);
};
