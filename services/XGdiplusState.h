// XGdiplusState records whether GDI+ was started and the token that shuts it down again.
#pragma once

#include <windows.h>
#include <cstdint>

class XGdiplusState {
public:
    typedef void (WINAPI* ShutdownFunction)(ULONG_PTR token);

    // Constant: the record is "not started" from the moment the process is loaded.
    constexpr XGdiplusState() : m_started(0), m_token(0) {}
    // Shuts GDI+ down when it was started.
    ~XGdiplusState();
    XGdiplusState(const XGdiplusState&) = delete;
    XGdiplusState& operator=(const XGdiplusState&) = delete;

    // The destructor's work with the shutdown call passed in, so that it can be observed.
    void Shutdown(ShutdownFunction shutdown);

    uint8_t m_started;
    ULONG_PTR m_token;
};
