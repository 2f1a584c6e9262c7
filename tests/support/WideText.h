// WideText turns UTF-16 texts into narrow ones that doctest can print and compare in checks.
#pragma once

// Kept free of <windows.h> and the wide C runtime: the foundation's tests include this in the
// native build too, where wchar_t is 16-bit (-fshort-wchar) but the C runtime assumes 32 bits.
#include <cstdint>
#include <string>

#include "foundation/XString.h"

// ASCII of a text, each other code unit as '?'; a null text gives "".
inline std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; text != nullptr && *text != 0; ++text) {
        const uint16_t unit = static_cast<uint16_t>(*text);
        out += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return out;
}

inline std::string Narrow(const XString& text)
{
    return Narrow(text.GetText());
}
