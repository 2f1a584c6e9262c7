// XString: inline/heap storage, 1-based positions, and the cases where text aliases the
// string's own buffer or sizes would overflow.
#include <doctest/doctest.h>

#include "foundation/XString.h"
#include "support/WideText.h"

#include <climits>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace {

// A terminated text of n code units 'a', 'b', ... cycling through the alphabet.
std::vector<wchar_t> Letters(int n)
{
    std::vector<wchar_t> text;
    for (int i = 0; i < n; ++i)
        text.push_back(static_cast<wchar_t>(L'a' + i % 26));
    text.push_back(0);
    return text;
}

// The count must match the text: terminator at count - 1 and no earlier zero.
void CheckConsistent(const XString& s)
{
    REQUIRE(s.m_count >= 1);
    REQUIRE(s.m_count <= s.m_capacity);
    CHECK(s.m_buffer[s.m_count - 1] == 0);
    CHECK(Narrow(s).size() == static_cast<size_t>(s.m_count - 1));
    CHECK((s.m_buffer == s.m_inline) == (s.m_capacity == XSTR_INLINE));
}

} // namespace

TEST_CASE("XString: a new string is the empty inline state")
{
    XString s;
    CHECK(s.GetCount() == 1);
    CHECK(s.IsEmpty());
    CHECK(Narrow(s).empty());
    CHECK(s.m_buffer == s.m_inline);
    CHECK(s.m_capacity == 128);
    CHECK(s.m_tag == 0);
    CHECK(s.m_aux == nullptr);
    CHECK(s.m_auxSize == 0);
    CHECK(s.GetAt(XSTR_LAST) == 0);
    CHECK(s.Right(5).IsEmpty());
    CHECK(s.Mid(1, 5).IsEmpty());

    XString fromNull(static_cast<const wchar_t*>(nullptr));
    CHECK(fromNull.IsEmpty());
    CheckConsistent(fromNull);
}

TEST_CASE("XString: construction stays inline up to 127 units, then takes an exact heap block")
{
    struct Row { int length; bool inlineBuffer; int capacity; };
    const Row rows[] = {
        {0, true, 128}, {1, true, 128}, {127, true, 128}, {128, false, 129}, {500, false, 501},
    };
    for (const Row& row : rows) {
        CAPTURE(row.length);
        std::vector<wchar_t> text = Letters(row.length);
        XString s(text.data());
        CHECK(s.GetCount() == row.length + 1);
        CHECK((s.m_buffer == s.m_inline) == row.inlineBuffer);
        CHECK(s.m_capacity == row.capacity);
        CHECK(Narrow(s) == Narrow(text.data()));

        XString copy(s);
        CHECK(copy.m_capacity == row.capacity);
        CHECK(copy.m_buffer != s.m_buffer);
        CHECK(Narrow(copy) == Narrow(s));
        CheckConsistent(copy);
    }
}

TEST_CASE("XString: only copy construction passes the tag on")
{
    XString source(L"abc");
    source.m_tag = 7;
    XString copy(source);
    CHECK(copy.m_tag == 7);

    XString assigned(L"x");
    assigned = source;
    CHECK(assigned.m_tag == 0);
    CHECK(Narrow(assigned) == "abc");
    CHECK(source.Mid(1, 2).m_tag == 0);
}

TEST_CASE("XString: assignment keeps a heap block and never shrinks")
{
    std::vector<wchar_t> longText = Letters(300);
    XString s(longText.data());
    wchar_t* block = s.m_buffer;
    REQUIRE(block != s.m_inline);

    s = L"C:\\";
    CHECK(s.m_buffer == block);
    CHECK(s.m_capacity == 301);
    CHECK(Narrow(s) == "C:\\");
    CHECK(s.GetCount() == 4);

    s = static_cast<const wchar_t*>(nullptr);
    CHECK(s.IsEmpty());
    CHECK(s.m_buffer == block);

    // Growing by assignment allocates exactly the count.
    std::vector<wchar_t> longer = Letters(400);
    s = longer.data();
    CHECK(s.m_capacity == 401);
    CheckConsistent(s);
}

TEST_CASE("XString: GetAt")
{
    XString s(L"C:\\");
    struct Row { int pos; wchar_t expected; };
    const Row rows[] = {
        {1, L'C'}, {2, L':'}, {3, L'\\'}, {XSTR_LAST, L'\\'},
        {0, 0}, {4, 0}, {-1, 0}, {INT_MAX, 0}, {INT_MIN, 0},
    };
    for (const Row& row : rows) {
        CAPTURE(row.pos);
        CHECK(s.GetAt(row.pos) == row.expected);
    }
}

TEST_CASE("XString: Compare")
{
    struct Row { const wchar_t* string; const wchar_t* text; int maxCount; bool ignoreCase; int expected; };
    const Row rows[] = {
        {L"abc", L"abd", 0, false, -1},
        {L"abd", L"abc", 0, false, 1},
        {L"abc", L"ab", 0, false, 1},
        {L"ab", L"abc", 0, false, -1},
        {L"abc", L"abc", 0, false, 0},
        {L"ABC", L"abc", 0, true, 0},
        {L"ABC", L"abc", 0, false, -1},
        {L"abc", L"ABC", 0, false, 1},
        {L"[", L"{", 0, true, -1},          // only A..Z fold: '[' (0x5B) stays below '{'
        {L"abcdef", L"abc", -1, false, 0},
        {L"abcdef", L"abd", -1, false, -1},
        {L"ab", L"abc", -1, false, -1},
        {L"abcdef", L"abcxyz", 3, false, 0},
        {L"abcdef", L"abcxyz", 4, false, -1},
        {L"", L"", 0, false, 0},
        {L"", L"a", 0, false, -1},
        {L"abc", nullptr, 0, false, 1},
        {L"", nullptr, 0, false, 1},
        {L"\xFFFF", L"a", 0, false, 1},     // unsigned 16-bit comparison
    };
    for (const Row& row : rows) {
        CAPTURE(Narrow(row.string));
        CAPTURE(row.maxCount);
        CAPTURE(row.ignoreCase);
        CHECK(XString(row.string).Compare(row.text, row.maxCount, row.ignoreCase) == row.expected);
    }
}

TEST_CASE("XString: Find")
{
    struct Row { const wchar_t* string; const wchar_t* text; int start; int expected; };
    const Row rows[] = {
        {L"C:\\Windows", L"\\", 3, 3},
        {L"\\\\server\\share", L"\\", 3, 9},
        {L"C:", L"\\", 3, 0},
        {L"C:\\Windows", L"\\", 4, 0},
        {L"abcabc", L"bc", 1, 2},
        {L"abcabc", L"bc", 3, 5},
        {L"abcabc", L"abcd", 1, 0},         // the string's terminator ends the try
        {L"abc", L"", 2, 2},
        {L"abc", L"a", 0, 0},
        {L"abc", L"a", -3, 0},
        {L"abc", L"a", INT_MAX, 0},
        {L"abc", nullptr, 1, 0},
    };
    for (const Row& row : rows) {
        CAPTURE(Narrow(row.string));
        CAPTURE(row.start);
        CHECK(XString(row.string).Find(row.text, row.start) == row.expected);
    }
}

TEST_CASE("XString: Erase")
{
    struct Row { const wchar_t* string; int first; int last; const char* expected; };
    const Row rows[] = {
        {L"C:\\Windows", 4, 10, "C:\\"},
        {L"C:\\Windows", 0, 2, "C:\\Windows"},
        {L"C:\\Windows", 3, 2, "C:\\Windows"},
        {L"C:\\Windows", 11, 11, "C:\\Windows"},
        {L"C:\\Windows", 1, 1, ":\\Windows"},
        {L"C:\\Windows", 3, 3, "C:Windows"},
        {L"C:\\Windows", 1, 10, ""},
        // A last beyond the text erases to its end.
        {L"C:\\Windows", 4, 11, "C:\\"},
        {L"C:\\Windows", 4, INT_MAX, "C:\\"},
        {L"C:\\Windows", INT_MIN, INT_MAX, "C:\\Windows"},
        {L"C:\\Windows", 5, INT_MIN, "C:\\Windows"},
        {L"", 1, 1, ""},
    };
    for (const Row& row : rows) {
        CAPTURE(Narrow(row.string));
        CAPTURE(row.first);
        CAPTURE(row.last);
        XString s(row.string);
        s.Erase(row.first, row.last);
        CHECK(Narrow(s) == row.expected);
        CheckConsistent(s);
    }
}

TEST_CASE("XString: Mid and Right")
{
    struct MidRow { const wchar_t* string; int first; int last; const char* expected; };
    const MidRow midRows[] = {
        {L"abc", 2, 100, "bc"},
        {L"abc", 0, 2, ""},
        {L"abc", 3, 2, ""},
        {L"abc", 1, 3, "abc"},
        {L"abc", 2, 2, "b"},
        {L"abc", 4, 9, ""},
        {L"abc", INT_MIN, INT_MAX, ""},
        {L"abc", 1, INT_MAX, "abc"},
        {L"", 1, 5, ""},
    };
    for (const MidRow& row : midRows) {
        CAPTURE(row.first);
        CAPTURE(row.last);
        XString mid = XString(row.string).Mid(row.first, row.last);
        CHECK(Narrow(mid) == row.expected);
        CheckConsistent(mid);
    }

    struct RightRow { const wchar_t* string; int count; const char* expected; };
    const RightRow rightRows[] = {
        {L"C:\\Windows", 7, "Windows"},
        {L"C:\\Windows", 0, ""},
        {L"C:\\Windows", -1, ""},
        {L"C:\\Windows", 50, "C:\\Windows"},
        {L"C:\\Windows", 10, "C:\\Windows"},
        {L"C:\\Windows", INT_MAX, "C:\\Windows"},
        {L"C:\\Windows", INT_MIN, ""},
        {L"", 3, ""},
    };
    for (const RightRow& row : rightRows) {
        CAPTURE(row.count);
        XString right = XString(row.string).Right(row.count);
        CHECK(Narrow(right) == row.expected);
        CheckConsistent(right);
    }
}

TEST_CASE("XString: Mid allocates exactly beyond 128 units")
{
    std::vector<wchar_t> text = Letters(300);
    XString s(text.data());
    XString small = s.Mid(1, 127);
    CHECK(small.m_buffer == small.m_inline);
    XString big = s.Mid(2, 201);
    CHECK(big.GetCount() == 201);
    CHECK(big.m_capacity == 201);
    CHECK(Narrow(big) == Narrow(text.data() + 1).substr(0, 200));
}

TEST_CASE("XString: Append grows with a third of slack")
{
    struct Row { int length; int capacity; };
    const Row rows[] = { {127, 128}, {128, 172}, {200, 268} };
    for (const Row& row : rows) {
        CAPTURE(row.length);
        std::vector<wchar_t> text = Letters(row.length);
        XString s;
        s.Append(text.data());
        CHECK(s.GetCount() == row.length + 1);
        CHECK(s.m_capacity == row.capacity);
        CHECK(Narrow(s) == Narrow(text.data()));
        CheckConsistent(s);
    }

    XString s(L"C:");
    s.Append(nullptr);
    s.Append(L"");
    CHECK(Narrow(s) == "C:");
    s.Append(L"\\");
    s.Append(L"Windows");
    CHECK(Narrow(s) == "C:\\Windows");
    CHECK(s.GetCount() == 11);
    CHECK(s.m_buffer == s.m_inline);
}

TEST_CASE("XString: text from the string's own buffer survives a move to a new block")
{
    SUBCASE("self-append moving from inline to the heap")
    {
        std::vector<wchar_t> text = Letters(100);
        XString s(text.data());
        s.Append(s.GetText());
        CHECK(s.m_buffer != s.m_inline);
        CHECK(s.m_capacity == 201 + 67);
        CHECK(Narrow(s) == Narrow(text.data()) + Narrow(text.data()));
        CheckConsistent(s);
    }
    SUBCASE("self-append moving from one heap block to a larger one")
    {
        std::vector<wchar_t> text = Letters(150);
        XString s(text.data());
        REQUIRE(s.m_capacity == 151);
        s.Append(s.GetText() + 50);
        CHECK(Narrow(s) == Narrow(text.data()) + Narrow(text.data() + 50));
        CheckConsistent(s);
    }
    SUBCASE("self-append within the capacity")
    {
        XString s(L"abc");
        s.Append(s.GetText());
        CHECK(Narrow(s) == "abcabc");
        s.Append(s.GetText() + 4);
        CHECK(Narrow(s) == "abcabcbc");
    }
    SUBCASE("assignment from itself and from its own parts")
    {
        std::vector<wchar_t> text = Letters(200);
        XString s(text.data());
        s = s;
        CHECK(Narrow(s) == Narrow(text.data()));
        s = s.GetText() + 10;
        CHECK(Narrow(s) == Narrow(text.data() + 10));
        s = s.Mid(2, 5);
        CHECK(Narrow(s) == Narrow(text.data() + 11).substr(0, 4));
        CheckConsistent(s);

        XString inlineString(L"C:\\Windows");
        inlineString = inlineString.GetText() + 3;
        CHECK(Narrow(inlineString) == "Windows");
        inlineString = inlineString.Right(3);
        CHECK(Narrow(inlineString) == "ows");
    }
}

namespace {

// Pretends a string holds a text of `count` units without allocating it; the fields are put
// back before destruction. Operations under test must fail before reading the buffer.
struct FakeHugeString {
    XString s;
    explicit FakeHugeString(int32_t count)
    {
        s.m_count = count;
        s.m_capacity = count;
    }
    ~FakeHugeString()
    {
        s.m_count = 1;
        s.m_capacity = XSTR_INLINE;
        s.m_buffer = s.m_inline;
    }
};

} // namespace

TEST_CASE("XString: counts that overflow 32 bits throw bad_alloc and leave the string alone")
{
    struct Row { int32_t count; const char* what; };
    const Row rows[] = {
        {INT_MAX - 1, "count + length overflows"},
        {1700000000, "needed + needed / 3 overflows"},
        {INT_MAX, "count already at the limit"},
    };
    for (const Row& row : rows) {
        CAPTURE(row.what);
        FakeHugeString fake(row.count);
        CHECK_THROWS_AS(fake.s.Append(L"abc"), std::bad_alloc);
        CHECK(fake.s.m_count == row.count);
        CHECK(fake.s.m_capacity == row.count);
        CHECK(fake.s.m_buffer == fake.s.m_inline);
    }
}
