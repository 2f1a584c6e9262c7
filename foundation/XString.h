// XString manages one UTF-16 text, kept in a 128-unit inline buffer until it needs a heap block.
#pragma once

#include <cstdint>

const int XSTR_INLINE = 128;
// Names the last code unit in GetAt.
const int XSTR_LAST = -12345;

// Positions are 1-based; the count includes the terminating zero (the empty string has count 1).
// Never includes <windows.h> nor calls the C runtime's wide-char functions: the same source is
// also built natively with a 16-bit wchar_t, where those functions assume 32 bits.
class XString {
public:
    XString();
    XString(const wchar_t* text);
    XString(const XString& other);
    ~XString();

    XString& operator=(const wchar_t* text);
    XString& operator=(const XString& other);

    const wchar_t* GetText() const { return m_buffer; }
    int GetCount() const { return m_count; }
    bool IsEmpty() const { return m_count == 1; }

    wchar_t GetAt(int pos) const;
    // -1, 0 or +1; maxCount 0 compares the whole texts, -1 asks whether this string begins with text.
    int Compare(const wchar_t* text, int maxCount = 0, bool ignoreCase = false) const;
    // First position at or after start where text occurs, else 0.
    int Find(const wchar_t* text, int start = 1) const;
    void Erase(int first, int last);
    XString Mid(int first, int last) const;
    XString Right(int count) const;
    void Append(const wchar_t* text);

    wchar_t* m_buffer;              // m_inline, or a heap block of exactly m_capacity units
    int32_t m_count;                // units in use, terminator included; never below 1
    uint32_t m_tag;                 // passed on by copy construction only
    wchar_t m_inline[XSTR_INLINE];
    unsigned char* m_aux;           // auxiliary heap block (new[]) owned by the string
    uint32_t m_auxSize;
    int32_t m_capacity;             // units available at m_buffer

private:
    // Copies count - 1 units of text and ends them with a zero; count 0 measures text.
    void Set(const wchar_t* text, int count);
};
