// XMemBuffer manages one zero-filled block from the C heap.
#pragma once

#include <cstdint>

// The one allocation that never throws: when malloc fails the buffer is empty (m_block null,
// sizes 0), and the caller tests m_block.
class XMemBuffer {
public:
    XMemBuffer();
    explicit XMemBuffer(uint32_t size);
    ~XMemBuffer();
    XMemBuffer(const XMemBuffer&) = delete;
    XMemBuffer& operator=(const XMemBuffer&) = delete;

    unsigned char* m_block;
    uint32_t m_size;                // bytes asked for
    uint32_t m_allocated;           // bytes requested from the heap: m_size, or 1 for size 0
    uint32_t m_reserved1;
    uint32_t m_reserved2;
};
