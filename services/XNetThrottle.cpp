#include "services/XNetThrottle.h"

#include <windows.h>

void XNetThrottle::Reserved1(uint32_t)
{
}

void XNetThrottle::Reserved2(uint32_t)
{
}

bool XNetThrottle::Wait(uint32_t milliseconds)
{
    if (milliseconds != 0)
        Sleep(milliseconds);
    return true;
}
