#include "foundation/XPtrArray.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

XPtrArray::XPtrArray()
    : m_data(m_inline), m_count(0), m_capacity(XARR_INLINE), m_growBy(XARR_GROW_FIRST)
{
}

XPtrArray::~XPtrArray()
{
    RemoveAll();
}

XPtrArray::Entry XPtrArray::GetAt(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    return m_data[index];
}

void XPtrArray::Grow()
{
    // A capacity beyond the 32-bit count field or the size type counts as a failed allocation.
    int64_t capacity = static_cast<int64_t>(m_capacity) + m_growBy;
    if (capacity > INT_MAX || static_cast<uint64_t>(capacity) > SIZE_MAX / sizeof(Entry))
        throw std::bad_alloc();
    Entry* block = new Entry[static_cast<size_t>(capacity)];
    if (m_data != nullptr) {
        std::memcpy(block, m_data, static_cast<size_t>(m_capacity) * sizeof(Entry));
        if (m_data != m_inline)
            delete[] m_data;
    }
    m_data = block;
    m_capacity = static_cast<int32_t>(capacity);
    m_growBy = m_growBy > XARR_GROW_MAX / 2 ? XARR_GROW_MAX : m_growBy * 2;
}

void XPtrArray::Add(Entry entry)
{
    if (m_count == m_capacity)
        Grow();
    m_data[m_count] = entry;
    ++m_count;
}

void XPtrArray::InsertAt(int index, Entry entry)
{
    // Any negative index appends, not only -1.
    if (index > m_count || index < 0)
        index = m_count;
    if (m_count == m_capacity)
        Grow();
    std::memmove(m_data + index + 1, m_data + index, static_cast<size_t>(m_count - index) * sizeof(Entry));
    m_data[index] = entry;
    ++m_count;
}

void XPtrArray::RemoveAt(int index)
{
    if (index < 0 || index >= m_count)
        return;
    std::memmove(m_data + index, m_data + index + 1, static_cast<size_t>(m_count - index - 1) * sizeof(Entry));
    --m_count;
}

void XPtrArray::RemoveAll()
{
    if (m_data != m_inline)
        delete[] m_data;
    m_data = nullptr;
    m_count = 0;
    m_capacity = 0;
    m_growBy = XARR_GROW_FIRST;
}
