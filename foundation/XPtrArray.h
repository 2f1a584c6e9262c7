// XPtrArray manages a growable array of pointer-sized entries that it never owns.
#pragma once

#include <cstdint>

const int XARR_INLINE = 16;
const int XARR_GROW_FIRST = 32;
const int XARR_GROW_MAX = 500000;

// Indexes are 0-based. Entries are pointers or integers cast to void*; the array keeps 16 of
// them inline, then grows by a step that doubles after each growth up to XARR_GROW_MAX.
class XPtrArray {
public:
    typedef void* Entry;

    XPtrArray();
    ~XPtrArray();
    XPtrArray(const XPtrArray&) = delete;
    XPtrArray& operator=(const XPtrArray&) = delete;

    int GetCount() const { return m_count; }
    // The entry at index, or null outside 0 .. count - 1.
    Entry GetAt(int index) const;
    void Add(Entry entry);
    // Inserts before index; an index above the count or below 0 appends.
    void InsertAt(int index, Entry entry);
    // Outside 0 .. count - 1 nothing changes; the capacity never shrinks.
    void RemoveAt(int index);
    // Frees the storage; the next growth takes a heap block, never the inline room again.
    void RemoveAll();

    Entry* m_data;                  // m_inline, a heap block, or null after RemoveAll
    int32_t m_count;
    int32_t m_capacity;
    int32_t m_growBy;
    Entry m_inline[XARR_INLINE];

private:
    void Grow();
};
