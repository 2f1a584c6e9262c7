// Fuzz target: decodes the input into a sequence of XString operations on a small pool of
// strings and checks every result against a model built on std::u16string, including where the
// text lives (inline or heap) and the capacity rules. Texts taken from a string's own buffer are
// among the arguments, so aliasing during a move to a new block is exercised.
#include "foundation/XString.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

static_assert(sizeof(wchar_t) == 2, "build with -fshort-wchar");

namespace {

[[noreturn]] void Fail(const char* what, int op)
{
    std::fprintf(stderr, "XString differs from its model: %s (operation %d)\n", what, op);
    std::abort();
}

// Reads the input front to back; an exhausted input reads as zeros.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_pos >= m_size; }
    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    // Positions and counts: mostly small or near the end of a text of `count` units, sometimes
    // 16-bit values or the extremes of int.
    int Int(int count)
    {
        uint8_t b = Byte();
        switch (b & 7) {
        case 0: case 1: case 2: return Byte() - 4;
        case 3: return count - (b >> 3) + 2;
        case 4: return static_cast<int16_t>(Byte() | (Byte() << 8));
        case 5: {
            static const int extremes[8] = {INT_MIN, INT_MAX, -1, 0, 1, XSTR_LAST, INT_MIN + 1, INT_MAX - 1};
            return extremes[b >> 5];
        }
        default: return b >> 3;
        }
    }

    // A text without zeros: a short pattern cycled to a length of up to 640 units, so that a
    // few bytes reach past the 128-unit inline buffer. The alphabet holds the ASCII letters at
    // the edges of case folding, separators and units that are negative as a signed 16-bit value.
    std::u16string Text()
    {
        static const char16_t alphabet[16] = {
            u'a', u'b', u'A', u'B', u'Z', u'z', u'@', u'[', u'`', u'{', u'\\', u':', u'?',
            0x7F, 0x8000, 0xFFFF,
        };
        uint8_t lengthByte = Byte();
        size_t length = lengthByte < 200 ? lengthByte : 200 + (lengthByte - 200) * 8u;
        size_t patternLength = 1 + (Byte() & 7);
        std::u16string pattern;
        for (size_t i = 0; i < patternLength; ++i)
            pattern += alphabet[Byte() & 15];
        std::u16string text;
        for (size_t i = 0; i < length; ++i)
            text += pattern[i % patternLength];
        return text;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A terminated copy for the string's wchar_t interface. Not std::wstring: its traits call the C
// library's wide functions, which assume a 32-bit wchar_t on this host.
std::vector<wchar_t> Wide(const std::u16string& text)
{
    std::vector<wchar_t> wide(text.begin(), text.end());
    wide.push_back(0);
    return wide;
}

// What a string should hold: its text, its capacity and its tag.
struct Model {
    std::u16string text;
    int64_t capacity = XSTR_INLINE;
    uint32_t tag = 0;

    int64_t Count() const { return static_cast<int64_t>(text.size()) + 1; }

    // Construction and assignment: an exact block when the capacity is short, never a shrink.
    void Set(const std::u16string& value)
    {
        int64_t units = static_cast<int64_t>(value.size()) + 1;
        if (capacity < units)
            capacity = units;
        text = value;
    }

    void Append(const std::u16string& value)
    {
        if (value.empty())
            return;
        int64_t needed = Count() + static_cast<int64_t>(value.size());
        if (capacity < needed)
            capacity = needed + needed / 3;
        text += value;
    }

    static Model Fresh(const std::u16string& value, uint32_t tag = 0)
    {
        Model m;
        m.Set(value);
        m.tag = tag;
        return m;
    }
};

std::u16string TextOf(const XString& s)
{
    std::u16string text;
    for (const wchar_t* p = s.GetText(); *p != 0; ++p)
        text += static_cast<char16_t>(*p);
    return text;
}

void Check(const XString& s, const Model& m, int op)
{
    if (s.m_count != m.Count() || s.GetCount() != s.m_count)
        Fail("count", op);
    if (s.m_count > s.m_capacity || s.m_buffer[s.m_count - 1] != 0)
        Fail("terminator or capacity invariant", op);
    if (TextOf(s) != m.text)
        Fail("text", op);
    if (s.IsEmpty() != m.text.empty())
        Fail("IsEmpty", op);
    if (s.m_capacity != m.capacity)
        Fail("capacity", op);
    if ((s.m_buffer == s.m_inline) != (m.capacity == XSTR_INLINE))
        Fail("inline or heap buffer", op);
    if (s.m_tag != m.tag || s.m_aux != nullptr || s.m_auxSize != 0)
        Fail("tag or auxiliary block", op);
}

// The operations' rules, restated on the model's text.

int ModelGetAt(const Model& m, int pos)
{
    int64_t p = pos == XSTR_LAST ? m.Count() - 1 : pos;
    if (p <= 0 || p >= m.Count())
        return 0;
    return m.text[static_cast<size_t>(p - 1)];
}

int ModelCompare(const Model& m, const std::u16string* text, int maxCount, bool ignoreCase)
{
    if (text == nullptr)
        return 1;
    auto fold = [ignoreCase](std::u16string s) {
        if (ignoreCase)
            for (char16_t& c : s)
                if (c >= u'A' && c <= u'Z')
                    c = static_cast<char16_t>(c + 0x20);
        return s;
    };
    std::u16string a = fold(m.text);
    std::u16string b = fold(*text);
    int64_t limit = maxCount == -1 ? static_cast<int64_t>(b.size()) : maxCount;
    if (limit > 0) {
        a = a.substr(0, static_cast<size_t>(std::min<int64_t>(limit, a.size())));
        b = b.substr(0, static_cast<size_t>(std::min<int64_t>(limit, b.size())));
    }
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int ModelFind(const Model& m, const std::u16string& text, int start)
{
    if (start <= 0 || start >= m.Count())
        return 0;
    size_t at = m.text.find(text, static_cast<size_t>(start - 1));
    return at == std::u16string::npos ? 0 : static_cast<int>(at) + 1;
}

// A last beyond the text erases to its end.
void ModelErase(Model& m, int first, int last)
{
    if (first <= 0 || first >= m.Count())
        return;
    int64_t end = std::min<int64_t>(last, static_cast<int64_t>(m.text.size()));
    int64_t n = end - first + 1;
    if (n <= 0)
        return;
    m.text.erase(static_cast<size_t>(first - 1), static_cast<size_t>(n));
}

std::u16string ModelMid(const Model& m, int first, int last)
{
    int64_t end = last >= m.Count() ? m.Count() - 1 : last;
    int64_t n = end - first + 1;
    if (first <= 0 || first >= m.Count() || n <= 0)
        return std::u16string();
    return m.text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(n));
}

std::u16string ModelRight(const Model& m, int count)
{
    if (count <= 0)
        return std::u16string();
    size_t n = std::min(static_cast<size_t>(count), m.text.size());
    return m.text.substr(m.text.size() - n);
}

const int kPool = 3;
// Repeated self-appends double a text; appends that would pass this length are skipped.
const size_t kMaxLength = 8192;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in(data, size);
    std::unique_ptr<XString> pool[kPool];
    Model models[kPool];
    for (int i = 0; i < kPool; ++i)
        pool[i].reset(new XString());

    for (int op = 0; !in.Done() && op < 256; ++op) {
        uint8_t code = in.Byte();
        int i = (code >> 4) % kPool;
        int j = (code >> 6) % kPool;
        XString& s = *pool[i];
        Model& m = models[i];
        switch (code & 15) {
        case 0: {   // construct from text, or from null
            std::u16string text = in.Text();
            bool null = text.empty() && (code & 0x80);
            pool[i].reset(new XString(null ? nullptr : Wide(text).data()));
            models[i] = Model::Fresh(text);
            break;
        }
        case 1: {   // copy construct, possibly from the slot being replaced
            std::unique_ptr<XString> copy(new XString(*pool[j]));
            models[i] = Model::Fresh(models[j].text, models[j].tag);
            pool[i] = std::move(copy);
            break;
        }
        case 2: {   // assign a text, or null
            std::u16string text = in.Text();
            if (text.empty() && (code & 0x80))
                s = static_cast<const wchar_t*>(nullptr);
            else
                s = Wide(text).data();
            m.Set(text);
            break;
        }
        case 3: {   // assign another string, or itself
            std::u16string text = models[j].text;
            s = *pool[j];
            m.Set(text);
            break;
        }
        case 4: {   // assign a part of its own buffer
            int k = in.Byte() % s.GetCount();
            std::u16string text = m.text.substr(static_cast<size_t>(k));
            s = s.GetText() + k;
            m.Set(text);
            break;
        }
        case 5: {   // append a text, or null
            std::u16string text = in.Text();
            if (m.text.size() + text.size() > kMaxLength)
                break;
            s.Append(text.empty() && (code & 0x80) ? nullptr : Wide(text).data());
            m.Append(text);
            break;
        }
        case 6: {   // append another string's text, or its own
            std::u16string text = models[j].text;
            if (m.text.size() + text.size() > kMaxLength)
                break;
            s.Append(pool[j]->GetText());
            m.Append(text);
            break;
        }
        case 7: {   // append a part of its own buffer
            int k = in.Byte() % s.GetCount();
            std::u16string text = m.text.substr(static_cast<size_t>(k));
            if (m.text.size() + text.size() > kMaxLength)
                break;
            s.Append(s.GetText() + k);
            m.Append(text);
            break;
        }
        case 8: {
            int first = in.Int(s.GetCount());
            int last = in.Int(s.GetCount());
            s.Erase(first, last);
            ModelErase(m, first, last);
            break;
        }
        case 9: {   // Mid, kept in another slot by assignment
            int first = in.Int(s.GetCount());
            int last = in.Int(s.GetCount());
            XString mid = s.Mid(first, last);
            std::u16string expected = ModelMid(m, first, last);
            Check(mid, Model::Fresh(expected), op);
            *pool[j] = mid;
            models[j].Set(expected);
            break;
        }
        case 10: {
            int count = in.Int(s.GetCount());
            XString right = s.Right(count);
            std::u16string expected = ModelRight(m, count);
            Check(right, Model::Fresh(expected), op);
            break;
        }
        case 11: {  // Find a text, or another string's text
            std::u16string text = (code & 0x80) ? models[j].text : in.Text();
            int start = in.Int(s.GetCount());
            if (s.Find(Wide(text).data(), start) != ModelFind(m, text, start))
                Fail("Find", op);
            break;
        }
        case 12: {
            std::u16string text = (code & 0x80) ? models[j].text : in.Text();
            int maxCount = in.Int(static_cast<int>(text.size()) + 1);
            bool ignoreCase = in.Byte() & 1;
            bool null = (code & 0x40) && text.empty();
            int got = s.Compare(null ? nullptr : Wide(text).data(), maxCount, ignoreCase);
            if (got != ModelCompare(m, null ? nullptr : &text, maxCount, ignoreCase))
                Fail("Compare", op);
            break;
        }
        case 13: {
            int pos = in.Int(s.GetCount());
            if (static_cast<uint16_t>(s.GetAt(pos)) != ModelGetAt(m, pos))
                Fail("GetAt", op);
            break;
        }
        case 14: {  // a tag travels with copy construction only
            uint32_t tag = in.Byte();
            s.m_tag = tag;
            m.tag = tag;
            break;
        }
        default:    // Right and Mid of the whole text must equal copies
            if (TextOf(s.Right(INT_MAX)) != m.text || TextOf(s.Mid(1, INT_MAX)) != m.text)
                Fail("whole-text Right or Mid", op);
            break;
        }
        for (int k = 0; k < kPool; ++k)
            Check(*pool[k], models[k], op);
    }
    return 0;
}
