// Fuzz target: turns the input into a path and checks StripTrailingBackslashes, GetRootLength
// and SplitLastComponent against a model on std::u16string written from the path rules alone
// (backslash the only separator, roots C:\, \\server\ and \\?\C:\), then splits the path down to
// its root step by step, checking each step.
#include "foundation/XPath.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static_assert(sizeof(wchar_t) == 2, "build with -fshort-wchar");

namespace {

[[noreturn]] void Fail(const char* what, size_t step)
{
    std::fprintf(stderr, "path helper differs from its model: %s (step %zu)\n", what, step);
    std::abort();
}

std::u16string TextOf(const XString& s)
{
    std::u16string text;
    for (const wchar_t* p = s.GetText(); *p != 0; ++p)
        text += static_cast<char16_t>(*p);
    return text;
}

// Not std::wstring: its traits call the C library's wide functions, which assume a 32-bit wchar_t.
XString Make(const std::u16string& text)
{
    std::vector<wchar_t> wide(text.begin(), text.end());
    wide.push_back(0);
    return XString(wide.data());
}

const char16_t kBackslash = u'\\';

void ModelStrip(std::u16string& path)
{
    while (!path.empty() && path.back() == kBackslash)
        path.pop_back();
}

// The root ends at the first backslash from the third unit on (past C: or the \\ of a server),
// or from the seventh after a \\?\ prefix (past the prefix and C:). Count of the root, or 1.
int ModelRootLength(const std::u16string& path)
{
    bool longPrefix = path.size() >= 4 && path.compare(0, 4, u"\\\\?\\") == 0;
    size_t at = path.find(kBackslash, longPrefix ? 6 : 2);
    return at == std::u16string::npos ? 1 : static_cast<int>(at) + 2;
}

std::u16string ModelSplit(std::u16string& path)
{
    size_t root = static_cast<size_t>(ModelRootLength(path) - 1);
    if (root == 0 || path.size() <= root)
        return std::u16string();
    ModelStrip(path);
    size_t at = path.rfind(kBackslash);
    if (at == std::u16string::npos)
        return std::u16string();
    std::u16string last = path.substr(at + 1);
    path.erase(at + 1);
    return last;
}

void CheckSame(const XString& s, const std::u16string& model, const char* what, size_t step)
{
    if (TextOf(s) != model || s.GetCount() != static_cast<int>(model.size()) + 1)
        Fail(what, step);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Mostly separators and the units of prefixes and drive letters, so that roots are common.
    static const char16_t alphabet[16] = {
        u'\\', u'\\', u'\\', u'\\', u'\\', u'?', u':', u'C', u'c', u'/', u'a', u'.', u' ',
        u'U', 0x8000, 0xFFFF,
    };
    std::u16string model;
    for (size_t i = 0; i < size; ++i)
        model += alphabet[data[i] & 15];

    XString stripped = Make(model);
    StripTrailingBackslashes(stripped);
    std::u16string modelStripped = model;
    ModelStrip(modelStripped);
    CheckSame(stripped, modelStripped, "StripTrailingBackslashes", 0);

    XString path = Make(model);
    // Every split that returns a component shortens the path, so the loop ends within its length.
    const size_t steps = model.size() + 1;
    for (size_t step = 0; step <= steps; ++step) {
        if (GetRootLength(path) != ModelRootLength(model))
            Fail("GetRootLength", step);
        XString last = SplitLastComponent(path);
        std::u16string modelLast = ModelSplit(model);
        CheckSame(last, modelLast, "SplitLastComponent result", step);
        CheckSame(path, model, "path after SplitLastComponent", step);
        if (modelLast.empty())
            return 0;
    }
    Fail("splitting did not end", steps);
}
