// The texts and sizes that both foundation benchmarks use, as 16-bit wchar_t for the foundation
// and char16_t for the standard library (the same code units).
#pragma once

#include <string>

static_assert(sizeof(wchar_t) == 2, "build with -fshort-wchar");

namespace workload {

// A short path (inline in XString, past std::u16string's small-string room of 7).
inline const wchar_t* ShortText() { return L"c:\\FileFrom.bin"; }
inline const char16_t* ShortText16() { return u"c:\\FileFrom.bin"; }

const int kLongLength = 300;        // past XString's 128 inline code units
const int kAppendPieces = 1000;     // appends of a 10-unit piece
const int kHaystackLength = 1000;   // find: the needle is the last 8 code units
const int kGrowEntries = 1000000;   // array growth
const int kStringEntries = 1000;    // string array

inline std::u16string LongText16()
{
    std::u16string text;
    for (int i = 0; i < kLongLength; ++i)
        text.push_back(static_cast<char16_t>(u'a' + i % 26));
    return text;
}

// "abcdefgh" repeated, ending in "abcdefgX": the direct search tries every position and the
// partial matches make it compare more than one unit at every eighth.
inline std::u16string Haystack16()
{
    std::u16string text;
    while (static_cast<int>(text.size()) < kHaystackLength - 8)
        text += u"abcdefgh";
    text.resize(kHaystackLength - 8);
    text += u"abcdefgX";
    return text;
}

inline const char16_t* Needle16() { return u"abcdefgX"; }
inline const char16_t* Piece16() { return u"0123456789"; }

inline const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline const wchar_t* AsWide(const std::u16string& text) { return AsWide(text.c_str()); }

} // namespace workload
