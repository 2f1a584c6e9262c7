// Registry access against the real registry: opens, the byte reader and the string reader on
// values the tests write under a scratch key of their own in HKEY_CURRENT_USER.
#include <doctest/doctest.h>

#include "services/XRegKey.h"
#include "services/XRegistry.h"
#include "support/ScratchRegistryKey.h"
#include "support/WideText.h"

#include <cstring>
#include <string>

using scratch::ScratchRegistryKey;

namespace {

// Counts the opens of the readers it is handed to.
class CountingOpener : public XRegKeyOpener {
public:
    HKEY Open(REGSAM access, HKEY root, const wchar_t* path) override
    {
        ++m_opens;
        return XRegKeyOpener::Open(access, root, path);
    }
    int m_opens = 0;
};

// The scratch key with one value of each kind the readers meet.
struct RegistryValues {
    ScratchRegistryKey scratch{L"Registry"};

    RegistryValues()
    {
        const wchar_t abc[] = L"abc";
        // "X" follows the stored bytes so that the platform does not count a terminator in.
        const wchar_t unterminated[] = L"abcX";
        const unsigned char odd[] = {'a', 0, 'b', 0, 'c', 0, 'd', 'Y', 'Z', 0};
        const wchar_t expand[] = L"%SystemRoot%\\x";
        const wchar_t multi[] = L"a\0b\0";
        const DWORD number = 0x12345678;
        scratch.SetValue(nullptr, L"sz", REG_SZ, abc, 8);
        scratch.SetValue(nullptr, L"unterminated", REG_SZ, unterminated, 6);
        scratch.SetValue(nullptr, L"odd", REG_SZ, odd, 7);
        scratch.SetValue(nullptr, L"expand", REG_EXPAND_SZ, expand, sizeof(expand));
        scratch.SetValue(nullptr, L"dword", REG_DWORD, &number, sizeof(number));
        scratch.SetValue(nullptr, L"multi", REG_MULTI_SZ, multi, sizeof(multi));
        scratch.SetValue(nullptr, L"empty", REG_SZ, L"", 0);
        scratch.SetValue(nullptr, nullptr, REG_SZ, L"default", 16);
    }
};

} // namespace

TEST_CASE("XRegOpenKey: no path, an empty path or no root give null")
{
    ScratchRegistryKey scratch(L"Registry");
    // Had the platform been called with an empty path, it would have handed back the root
    // itself, so null also shows that it was not called.
    XRegKey noPath(XRegOpenKey(KEY_QUERY_VALUE, HKEY_CURRENT_USER, nullptr));
    CHECK(noPath.m_key == nullptr);
    XRegKey emptyPath(XRegOpenKey(KEY_QUERY_VALUE, HKEY_CURRENT_USER, L""));
    CHECK(emptyPath.m_key == nullptr);
    XRegKey noRoot(XRegOpenKey(KEY_QUERY_VALUE, nullptr, scratch.Path()));
    CHECK(noRoot.m_key == nullptr);

    XRegKey existing(XRegOpenKey(KEY_QUERY_VALUE, HKEY_CURRENT_USER, scratch.Path()));
    CHECK(existing.m_key != nullptr);
}

TEST_CASE("XRegOpenKey: a missing key is created when the rights allow it")
{
    ScratchRegistryKey scratch(L"Registry");
    std::wstring path = std::wstring(scratch.Path()) + L"\\Created\\Below";
    REQUIRE_FALSE(scratch.HasSubKey(L"Created"));
    XRegKey key(XRegOpenKey(KEY_QUERY_VALUE, HKEY_CURRENT_USER, path.c_str()));
    CHECK(key.m_key != nullptr);
    CHECK(scratch.HasSubKey(L"Created\\Below"));
}

TEST_CASE_FIXTURE(RegistryValues, "XRegReadString: text of string values, empty otherwise")
{
    struct Row {
        HKEY root;
        bool withPath;
        const wchar_t* name;
        const char* text;
        int opens;
    };
    const Row rows[] = {
        {HKEY_CURRENT_USER, true, L"sz", "abc", 2},
        // Ended by the reader's own zero bytes.
        {HKEY_CURRENT_USER, true, L"unterminated", "abc", 2},
        // Seven bytes: the last unit is half data, half zero, and a whole zero unit follows.
        {HKEY_CURRENT_USER, true, L"odd", "abcd", 2},
        {HKEY_CURRENT_USER, true, L"expand", "%SystemRoot%\\x", 2},
        {HKEY_CURRENT_USER, true, nullptr, "default", 2},
        {HKEY_CURRENT_USER, true, L"dword", "", 2},
        {HKEY_CURRENT_USER, true, L"multi", "", 2},
        // Nothing to read: the key is not opened a second time.
        {HKEY_CURRENT_USER, true, L"empty", "", 1},
        {HKEY_CURRENT_USER, true, L"missing", "", 1},
        {nullptr, true, L"sz", "", 1},
        {HKEY_CURRENT_USER, false, L"sz", "", 1},
    };
    for (const Row& row : rows) {
        CAPTURE(Narrow(row.name != nullptr ? row.name : L"(default)"));
        CAPTURE(row.root == nullptr);
        CAPTURE(row.withPath);
        CountingOpener opener;
        XString text = XRegReadString(row.name, row.root, row.withPath ? scratch.Path() : nullptr,
                                      opener);
        CHECK(Narrow(text.GetText()) == row.text);
        CHECK(text.GetCount() == static_cast<int>(std::strlen(row.text)) + 1);
        CHECK(opener.m_opens == row.opens);
    }
    // The plain reader behaves the same.
    CHECK(Narrow(XRegReadString(L"unterminated", HKEY_CURRENT_USER, scratch.Path()).GetText())
          == "abc");
}

TEST_CASE_FIXTURE(RegistryValues, "XRegReadValue: data as stored, or a zero-filled buffer")
{
    const unsigned char guard = 0xCC;
    struct Row {
        HKEY root;
        const wchar_t* name;
        uint32_t size;
        bool withFlag;
        const wchar_t* data;        // the bytes expected, null for all zero
        uint32_t dataSize;
    };
    const Row rows[] = {
        {HKEY_CURRENT_USER, L"sz", 8, true, L"abc", 8},
        // Copied as stored: no terminator is added.
        {HKEY_CURRENT_USER, L"unterminated", 6, true, L"abc", 6},
        {HKEY_CURRENT_USER, L"expand", 30, true, L"%SystemRoot%\\x", 30},
        {HKEY_CURRENT_USER, nullptr, 16, true, L"default", 16},
        // Too small for the data: the platform reports more data, the buffer is zeroed.
        {HKEY_CURRENT_USER, L"sz", 6, true, nullptr, 0},
        {HKEY_CURRENT_USER, L"dword", 8, true, nullptr, 0},
        {HKEY_CURRENT_USER, L"multi", 16, true, nullptr, 0},
        {HKEY_CURRENT_USER, L"missing", 8, true, nullptr, 0},
        {HKEY_CURRENT_USER, L"missing", 8, false, nullptr, 0},
        {nullptr, L"sz", 8, true, nullptr, 0},
    };
    for (const Row& row : rows) {
        CAPTURE(Narrow(row.name != nullptr ? row.name : L"(default)"));
        CAPTURE(row.size);
        CAPTURE(row.root == nullptr);
        // Guard bytes on both sides show that nothing is written outside the given size.
        unsigned char bytes[4 + 64 + 4];
        std::memset(bytes, guard, sizeof(bytes));
        unsigned char* buffer = bytes + 4;
        unsigned char flag = guard;
        XRegReadValue(row.root, scratch.Path(), row.name, buffer, row.size,
                      row.withFlag ? &flag : nullptr);

        unsigned char expected[64];
        std::memset(expected, 0, sizeof(expected));
        if (row.data != nullptr)
            std::memcpy(expected, row.data, row.dataSize);
        CHECK(std::memcmp(buffer, expected, row.size) == 0);
        bool guardsKept = true;
        for (size_t i = 0; i < sizeof(bytes); ++i) {
            if (i < 4 || i >= 4 + row.size)
                guardsKept = guardsKept && bytes[i] == guard;
        }
        CHECK(guardsKept);
        CHECK(flag == (row.withFlag ? (row.data != nullptr ? 0 : 1) : guard));
    }
}
