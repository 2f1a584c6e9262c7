// Path helpers: every table row for stripping, root length and splitting, and loops that cut
// a path down to its root.
#include <doctest/doctest.h>

#include "foundation/XPath.h"
#include "support/WideText.h"

#include <string>
#include <vector>

TEST_CASE("Path helpers: strip, root length and split per path")
{
    struct Row {
        const wchar_t* path;
        const char* stripped;
        int rootLength;
        const char* component;
        const char* after;
    };
    const Row rows[] = {
        {L"C:\\", "C:", 4, "", "C:\\"},
        {L"C:\\Windows", "C:\\Windows", 4, "Windows", "C:\\"},
        {L"C:\\Windows\\", "C:\\Windows", 4, "Windows", "C:\\"},
        {L"C:\\Windows\\\\", "C:\\Windows", 4, "Windows", "C:\\"},
        {L"C:\\Windows\\System32", "C:\\Windows\\System32", 4, "System32", "C:\\Windows\\"},
        {L"\\\\server\\share\\x", "\\\\server\\share\\x", 10, "x", "\\\\server\\share\\"},
        {L"\\\\server\\share", "\\\\server\\share", 10, "share", "\\\\server\\"},
        {L"\\\\?\\C:\\x", "\\\\?\\C:\\x", 8, "x", "\\\\?\\C:\\"},
        {L"\\\\?\\UNC\\server\\share", "\\\\?\\UNC\\server\\share", 9, "share", "\\\\?\\UNC\\server\\"},
        {L"\\\\?\\C:", "\\\\?\\C:", 1, "", "\\\\?\\C:"},
        {L"", "", 1, "", ""},
        {L"C:", "C:", 1, "", "C:"},
        {L"Windows", "Windows", 1, "", "Windows"},
        {L"C:/Windows", "C:/Windows", 1, "", "C:/Windows"},
        {L"\\", "", 1, "", "\\"},
        {L"C:\\\\", "C:", 4, "", "C:"},
        {L"a\\b\\c", "a\\b\\c", 5, "c", "a\\b\\"},
    };
    for (const Row& row : rows) {
        CAPTURE(Narrow(row.path));

        XString stripped(row.path);
        StripTrailingBackslashes(stripped);
        CHECK(Narrow(stripped.GetText()) == row.stripped);
        CHECK(stripped.GetCount() == static_cast<int>(std::string(row.stripped).size()) + 1);

        CHECK(GetRootLength(XString(row.path)) == row.rootLength);

        XString path(row.path);
        XString component = SplitLastComponent(path);
        CHECK(Narrow(component.GetText()) == row.component);
        CHECK(Narrow(path.GetText()) == row.after);
        CHECK(path.GetCount() == static_cast<int>(std::string(row.after).size()) + 1);
    }
}

TEST_CASE("Path helpers: splitting until nothing is left leaves the root")
{
    struct Row { const wchar_t* path; std::vector<std::string> components; const char* root; };
    const Row rows[] = {
        {L"C:\\Windows\\", {"Windows"}, "C:\\"},
        {L"\\\\?\\C:\\Windows\\", {"Windows"}, "\\\\?\\C:\\"},
        {L"\\\\server\\share\\Windows\\", {"Windows", "share"}, "\\\\server\\"},
        {L"C:\\Windows\\System32\\drivers\\etc", {"etc", "drivers", "System32", "Windows"}, "C:\\"},
        {L"C:\\", {}, "C:\\"},
    };
    for (const Row& row : rows) {
        CAPTURE(Narrow(row.path));
        XString path(row.path);
        std::vector<std::string> components;
        // Bounded, so a split that stops shortening the path fails the test instead of hanging it.
        for (int i = 0; i < 32; ++i) {
            XString component = SplitLastComponent(path);
            if (component.IsEmpty())
                break;
            components.push_back(Narrow(component.GetText()));
        }
        CHECK(components == row.components);
        CHECK(Narrow(path.GetText()) == row.root);
    }
}

TEST_CASE("Path helpers: a path longer than the inline buffer splits the same way")
{
    XString path(L"C:\\");
    std::string expected = "C:\\";
    for (int i = 0; i < 30; ++i) {
        path.Append(L"folder\\");
        expected += "folder\\";
    }
    path.Append(L"file.txt");
    REQUIRE(path.m_buffer != path.m_inline);
    CHECK(Narrow(SplitLastComponent(path).GetText()) == "file.txt");
    CHECK(Narrow(path.GetText()) == expected);
}
