#include "foundation/XString.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

size_t TextLength(const wchar_t* text)
{
    size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

// A count that does not fit the 32-bit count field, or whose byte size does not fit size_t,
// is treated as a failed allocation.
void CheckCount(uint64_t count)
{
    if (count > static_cast<uint64_t>(INT_MAX) || count > SIZE_MAX / sizeof(wchar_t))
        throw std::bad_alloc();
}

wchar_t* NewUnits(uint64_t count)
{
    CheckCount(count);
    return new wchar_t[static_cast<size_t>(count)];
}

} // namespace

XString::XString()
    : m_buffer(m_inline), m_count(1), m_tag(0), m_aux(nullptr), m_auxSize(0), m_capacity(XSTR_INLINE)
{
    m_inline[0] = 0;
}

XString::XString(const wchar_t* text)
    : XString()
{
    Set(text, 0);
}

XString::XString(const XString& other)
    : XString()
{
    m_tag = other.m_tag;
    Set(other.m_buffer, other.m_count);
}

XString::~XString()
{
    if (m_buffer != m_inline) {
        delete[] m_buffer;
        m_buffer = m_inline;
        m_capacity = XSTR_INLINE;
    }
    delete[] m_aux;
    m_aux = nullptr;
    m_auxSize = 0;
}

XString& XString::operator=(const wchar_t* text)
{
    Set(text, 0);
    return *this;
}

XString& XString::operator=(const XString& other)
{
    Set(other.m_buffer, 0);
    return *this;
}

void XString::Set(const wchar_t* text, int count)
{
    if (text == nullptr) {
        m_buffer[0] = 0;
        m_count = 1;
        return;
    }
    uint64_t units = count > 0 ? static_cast<uint64_t>(count) : TextLength(text) + uint64_t(1);
    CheckCount(units);
    size_t length = static_cast<size_t>(units) - 1;
    if (m_capacity < static_cast<int64_t>(units)) {
        // text may lie in the old block, so the old block is freed only after the copy.
        wchar_t* block = NewUnits(units);
        std::memcpy(block, text, length * sizeof(wchar_t));
        if (m_buffer != m_inline)
            delete[] m_buffer;
        m_buffer = block;
        m_capacity = static_cast<int32_t>(units);
    } else {
        // text may overlap m_buffer (a string assigned a part of itself).
        std::memmove(m_buffer, text, length * sizeof(wchar_t));
    }
    m_buffer[length] = 0;
    m_count = static_cast<int32_t>(units);
}

wchar_t XString::GetAt(int pos) const
{
    if (pos == XSTR_LAST)
        pos = m_count - 1;
    if (pos <= 0 || pos >= m_count)
        return 0;
    return m_buffer[pos - 1];
}

int XString::Compare(const wchar_t* text, int maxCount, bool ignoreCase) const
{
    if (text == nullptr)
        return 1;
    if (maxCount == -1) {
        size_t n = TextLength(text);
        maxCount = n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
    }
    size_t i = 0;
    for (; m_buffer[i] != 0; ++i) {
        uint16_t a = static_cast<uint16_t>(m_buffer[i]);
        uint16_t b = static_cast<uint16_t>(text[i]);
        if (ignoreCase) {
            if (a >= 0x41 && a <= 0x5A)
                a += 0x20;
            if (b >= 0x41 && b <= 0x5A)
                b += 0x20;
        }
        if (a != b)
            return b < a ? 1 : -1;
        if (maxCount > 0 && i == static_cast<size_t>(maxCount) - 1)
            return 0;
    }
    return text[i] == 0 ? 0 : -1;
}

int XString::Find(const wchar_t* text, int start) const
{
    if (text == nullptr || start <= 0 || start >= m_count)
        return 0;
    for (int pos = start; pos < m_count; ++pos) {
        const wchar_t* s = m_buffer + (pos - 1);
        size_t i = 0;
        while (text[i] != 0 && text[i] == s[i])
            ++i;
        if (text[i] == 0)
            return pos;
    }
    return 0;
}

void XString::Erase(int first, int last)
{
    if (first <= 0 || first >= m_count)
        return;
    // A last beyond the text erases to its end.
    int64_t end = last < m_count ? last : m_count - 1;
    int64_t n = end - first + 1;
    if (n <= 0)
        return;
    // The units after end, the terminator included, move down to first.
    size_t tail = static_cast<size_t>(m_count - end);
    std::memmove(m_buffer + (first - 1), m_buffer + end, tail * sizeof(wchar_t));
    m_count = static_cast<int32_t>(m_count - n);
    m_buffer[m_count - 1] = 0;
}

XString XString::Mid(int first, int last) const
{
    XString result;
    int64_t end = last >= m_count ? m_count - 1 : last;
    int64_t n = end - first + 1;
    if (first <= 0 || first >= m_count || n <= 0)
        return result;
    result.Set(m_buffer + (first - 1), static_cast<int>(n + 1));
    return result;
}

XString XString::Right(int count) const
{
    int64_t first = static_cast<int64_t>(m_count) - count;
    if (first < 1)
        first = 1;
    if (first >= m_count)
        return XString();
    return Mid(static_cast<int>(first), m_count - 1);
}

void XString::Append(const wchar_t* text)
{
    if (text == nullptr || text[0] == 0)
        return;
    // Measured before any block moves: text may lie in this string's own buffer.
    uint64_t n = TextLength(text);
    uint64_t needed = static_cast<uint64_t>(m_count) + n;
    CheckCount(needed);
    if (m_capacity < static_cast<int64_t>(needed)) {
        uint64_t capacity = needed + needed / 3;
        wchar_t* block = NewUnits(capacity);
        std::memcpy(block, m_buffer, static_cast<size_t>(m_count) * sizeof(wchar_t));
        std::memcpy(block + (m_count - 1), text, static_cast<size_t>(n) * sizeof(wchar_t));
        if (m_buffer != m_inline)
            delete[] m_buffer;
        m_buffer = block;
        m_capacity = static_cast<int32_t>(capacity);
    } else {
        std::memmove(m_buffer + (m_count - 1), text, static_cast<size_t>(n) * sizeof(wchar_t));
    }
    m_count = static_cast<int32_t>(needed);
    m_buffer[m_count - 1] = 0;
}
