// XPtrArray and XStringArray: growth steps, inline room, inserts and removals, and ownership
// of the strings in an XStringArray.
#include <doctest/doctest.h>

#include "foundation/XPtrArray.h"
#include "foundation/XStringArray.h"
#include "support/WideText.h"

#include <climits>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace {

XPtrArray::Entry E(intptr_t value)
{
    return reinterpret_cast<XPtrArray::Entry>(value);
}

std::vector<intptr_t> Values(const XPtrArray& array)
{
    std::vector<intptr_t> values;
    for (int i = 0; i < array.GetCount(); ++i)
        values.push_back(reinterpret_cast<intptr_t>(array.GetAt(i)));
    return values;
}

// An array holding 1, 2, ..., n.
void Fill(XPtrArray& array, int n)
{
    for (int i = 1; i <= n; ++i)
        array.Add(E(i));
}

} // namespace

TEST_CASE("XPtrArray: a new array uses its inline room")
{
    XPtrArray array;
    CHECK(array.m_data == array.m_inline);
    CHECK(array.GetCount() == 0);
    CHECK(array.m_capacity == 16);
    CHECK(array.m_growBy == 32);
    CHECK(array.GetAt(0) == nullptr);
}

TEST_CASE("XPtrArray: the 17th Add moves the entries to a heap block of 48")
{
    XPtrArray array;
    Fill(array, 16);
    CHECK(array.m_data == array.m_inline);
    CHECK(array.m_capacity == 16);
    array.Add(E(17));
    CHECK(array.m_data != array.m_inline);
    CHECK(array.m_capacity == 48);
    CHECK(array.m_growBy == 64);
    std::vector<intptr_t> expected;
    for (int i = 1; i <= 17; ++i)
        expected.push_back(i);
    CHECK(Values(array) == expected);
}

TEST_CASE("XPtrArray: growth steps double up to 500000")
{
    // Capacities after each growth, from a new array: steps 32, 64, ..., 262144, then 500000.
    std::vector<int> expected;
    int capacity = 16;
    for (int step = 32; step <= 262144; step *= 2)
        expected.push_back(capacity += step);
    expected.push_back(capacity += 500000);
    expected.push_back(capacity += 500000);
    REQUIRE(expected[0] == 48);
    REQUIRE(expected[4] == 1008);

    XPtrArray array;
    std::vector<int> seen;
    while (static_cast<int>(seen.size()) < static_cast<int>(expected.size())) {
        int before = array.m_capacity;
        array.Add(E(array.GetCount()));
        if (array.m_capacity != before)
            seen.push_back(array.m_capacity);
    }
    CHECK(seen == expected);
    CHECK(array.m_growBy == 500000);
    // The entries survive every move.
    bool intact = true;
    for (int i = 0; i < array.GetCount(); ++i)
        intact = intact && array.m_data[i] == E(i);
    CHECK(intact);
}

TEST_CASE("XPtrArray: RemoveAll leaves no storage, and growth restarts on the heap at 32")
{
    XPtrArray array;
    Fill(array, 20);
    array.RemoveAll();
    CHECK(array.m_data == nullptr);
    CHECK(array.GetCount() == 0);
    CHECK(array.m_capacity == 0);
    CHECK(array.m_growBy == 32);
    CHECK(array.GetAt(0) == nullptr);

    array.Add(E(1));
    CHECK(array.m_data != array.m_inline);
    CHECK(array.m_capacity == 32);
    CHECK(array.m_growBy == 64);
    Fill(array, 32);
    CHECK(array.m_capacity == 96);
    Fill(array, 64);
    CHECK(array.m_capacity == 224);

    // RemoveAll on inline storage, then InsertAt also grows to 32.
    XPtrArray small;
    Fill(small, 3);
    small.RemoveAll();
    small.InsertAt(0, E(9));
    CHECK(small.m_capacity == 32);
    CHECK(Values(small) == std::vector<intptr_t>{9});
}

TEST_CASE("XPtrArray: InsertAt")
{
    struct Row { int index; std::vector<intptr_t> expected; };
    const Row rows[] = {
        {0, {99, 1, 2, 3}},
        {1, {1, 99, 2, 3}},
        {3, {1, 2, 3, 99}},
        {-1, {1, 2, 3, 99}},
        {8, {1, 2, 3, 99}},             // count + 5
        {INT_MAX, {1, 2, 3, 99}},
        {-7, {1, 2, 3, 99}},            // any negative index appends
        {INT_MIN, {1, 2, 3, 99}},
    };
    for (const Row& row : rows) {
        CAPTURE(row.index);
        XPtrArray array;
        Fill(array, 3);
        array.InsertAt(row.index, E(99));
        CHECK(Values(array) == row.expected);
    }

    // Inserting at the front of a full inline array grows and shifts every entry.
    XPtrArray full;
    Fill(full, 16);
    full.InsertAt(0, E(0));
    CHECK(full.m_capacity == 48);
    std::vector<intptr_t> expected;
    for (int i = 0; i <= 16; ++i)
        expected.push_back(i);
    CHECK(Values(full) == expected);
}

TEST_CASE("XPtrArray: RemoveAt")
{
    struct Row { int index; std::vector<intptr_t> expected; };
    const Row rows[] = {
        {0, {2, 3}},
        {1, {1, 3}},
        {2, {1, 2}},
        {3, {1, 2, 3}},
        {-1, {1, 2, 3}},
        {INT_MIN, {1, 2, 3}},
    };
    for (const Row& row : rows) {
        CAPTURE(row.index);
        XPtrArray array;
        Fill(array, 3);
        array.RemoveAt(row.index);
        CHECK(Values(array) == row.expected);
    }

    XPtrArray one;
    one.Add(E(1));
    one.RemoveAt(0);
    CHECK(one.GetCount() == 0);
    CHECK(one.m_capacity == 16);

    XPtrArray heap;
    Fill(heap, 17);
    while (heap.GetCount() > 0)
        heap.RemoveAt(0);
    CHECK(heap.m_capacity == 48);
    CHECK(heap.m_data != heap.m_inline);
}

TEST_CASE("XPtrArray: a capacity beyond 32 bits throws bad_alloc and leaves the array alone")
{
    XPtrArray array;
    // Pretend the array is full near the limit; Grow must fail before it touches the entries.
    const int32_t count = INT_MAX - 1000;
    array.m_count = count;
    array.m_capacity = count;
    array.m_growBy = XARR_GROW_MAX;
    CHECK_THROWS_AS(array.Add(E(1)), std::bad_alloc);
    CHECK_THROWS_AS(array.InsertAt(0, E(1)), std::bad_alloc);
    CHECK(array.m_count == count);
    CHECK(array.m_capacity == count);
    CHECK(array.m_data == array.m_inline);
    array.m_count = 0;
    array.m_capacity = XARR_INLINE;
}

TEST_CASE("XStringArray: owns copies of the inserted texts")
{
    XStringArray array;
    std::vector<wchar_t> text = {L'o', L'n', L'e', 0};
    array.InsertAt(-1, text.data());
    text[0] = L'X';
    array.InsertAt(0, L"zero");
    array.InsertAt(5, nullptr);
    REQUIRE(array.GetCount() == 3);

    const char* expected[] = {"zero", "one", ""};
    for (int i = 0; i < 3; ++i) {
        CAPTURE(i);
        const XString* s = static_cast<const XString*>(array.GetAt(i));
        REQUIRE(s != nullptr);
        CHECK(Narrow(s->GetText()) == expected[i]);
    }
}

TEST_CASE("XStringArray: RemoveAll skips null entries and leaves no storage")
{
    XStringArray array;
    for (int i = 0; i < 20; ++i)
        array.InsertAt(-1, L"text");
    array.Add(nullptr);
    array.InsertAt(3, L"more");
    array.RemoveAll();
    CHECK(array.GetCount() == 0);
    CHECK(array.m_capacity == 0);
    CHECK(array.m_data == nullptr);

    // Usable again after RemoveAll; the destructor frees what is left.
    array.InsertAt(0, L"again");
    CHECK(array.m_capacity == 32);
}
