#include "foundation/XMemBuffer.h"

#include <cstdlib>
#include <cstring>

XMemBuffer::XMemBuffer()
    : m_block(nullptr), m_size(0), m_allocated(0), m_reserved1(0), m_reserved2(0)
{
}

XMemBuffer::XMemBuffer(uint32_t size)
    : XMemBuffer()
{
    // malloc(0) may return null or a unique block; one byte makes success unambiguous.
    uint32_t request = size == 0 ? 1 : size;
    void* block = std::malloc(request);
    if (block == nullptr)
        return;
    std::memset(block, 0, request);
    m_block = static_cast<unsigned char*>(block);
    m_size = size;
    m_allocated = request;
}

XMemBuffer::~XMemBuffer()
{
    if (m_block != nullptr) {
        std::free(m_block);
        m_block = nullptr;
    }
    m_size = 0;
    m_allocated = 0;
    m_reserved1 = 0;
    m_reserved2 = 0;
}
