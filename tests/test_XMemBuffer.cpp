// XMemBuffer: a zero-filled C-heap block, one byte for size 0, and an empty buffer on failure.
#include <doctest/doctest.h>

#include "foundation/XMemBuffer.h"

#include <cstdint>

TEST_CASE("XMemBuffer: an empty buffer owns nothing")
{
    XMemBuffer buffer;
    CHECK(buffer.m_block == nullptr);
    CHECK(buffer.m_size == 0);
    CHECK(buffer.m_allocated == 0);
    CHECK(buffer.m_reserved1 == 0);
    CHECK(buffer.m_reserved2 == 0);
}

TEST_CASE("XMemBuffer: a sized buffer is zero-filled")
{
    struct Row { uint32_t size; uint32_t allocated; };
    const Row rows[] = { {0, 1}, {1, 1}, {7, 7}, {65536, 65536} };
    for (const Row& row : rows) {
        CAPTURE(row.size);
        XMemBuffer buffer(row.size);
        REQUIRE(buffer.m_block != nullptr);
        CHECK(buffer.m_size == row.size);
        CHECK(buffer.m_allocated == row.allocated);
        CHECK(buffer.m_reserved1 == 0);
        CHECK(buffer.m_reserved2 == 0);
        bool zero = true;
        for (uint32_t i = 0; i < row.size; ++i)
            zero = zero && buffer.m_block[i] == 0;
        CHECK(zero);
        // The whole block is writable.
        buffer.m_block[row.allocated - 1] = 0xAB;
    }
}

#if defined(_WIN32) && !defined(_WIN64)
TEST_CASE("XMemBuffer: a block the heap cannot give leaves the buffer empty")
{
    // 4 GiB - 1 cannot fit a 32-bit address space; elsewhere it might succeed and be zero-filled.
    XMemBuffer buffer(0xFFFFFFFFu);
    CHECK(buffer.m_block == nullptr);
    CHECK(buffer.m_size == 0);
    CHECK(buffer.m_allocated == 0);
}
#endif
