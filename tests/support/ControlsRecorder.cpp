#include "support/ControlsRecorder.h"

#include <commctrl.h>
#include <doctest/doctest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* MessageName(UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP: return "WM_LBUTTONUP";
    case WM_LBUTTONDBLCLK: return "WM_LBUTTONDBLCLK";
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_VSCROLL: return "WM_VSCROLL";
    case WM_HSCROLL: return "WM_HSCROLL";
    case WM_NOTIFY: return "WM_NOTIFY";
    case WM_SETFOCUS: return "WM_SETFOCUS";
    case WM_KILLFOCUS: return "WM_KILLFOCUS";
    case WM_TIMER: return "WM_TIMER";
    default: return nullptr;
    }
}

const char* NotifyName(UINT code)
{
    switch (code) {
    case LVN_ITEMCHANGING: return "LVN_ITEMCHANGING";
    case LVN_ITEMCHANGED: return "LVN_ITEMCHANGED";
    case LVN_BEGINDRAG: return "LVN_BEGINDRAG";
    case NM_CLICK: return "NM_CLICK";
    case NM_DBLCLK: return "NM_DBLCLK";
    case NM_SETFOCUS: return "NM_SETFOCUS";
    case NM_KILLFOCUS: return "NM_KILLFOCUS";
    case NM_RELEASEDCAPTURE: return "NM_RELEASEDCAPTURE";
    default: return nullptr;
    }
}

std::string Describe(const ControlsMsg& m)
{
    char text[160];
    const char* name = MessageName(m.message);
    char number[32];
    if (name == nullptr) {
        if (m.message >= WM_USER && m.message < WM_USER + 0x100)
            std::snprintf(number, sizeof(number), "WM_USER+%u", m.message - WM_USER);
        else
            std::snprintf(number, sizeof(number), "0x%04X", m.message);
        name = number;
    }
    auto value = [](LPARAM v, char* out, std::size_t size) {
        if (v == kControlsAny)
            std::snprintf(out, size, "*");
        else
            std::snprintf(out, size, "%lld", static_cast<long long>(v));
    };
    char w[32];
    char l[32];
    const char* code = m.message == WM_NOTIFY ? NotifyName(static_cast<UINT>(m.wParam)) : nullptr;
    if (code != nullptr)
        std::snprintf(w, sizeof(w), "%s", code);
    else
        value(static_cast<LPARAM>(m.wParam), w, sizeof(w));
    value(m.lParam, l, sizeof(l));
    std::snprintf(text, sizeof(text), "{%s, %s, %s, %s}", name, w, l, m.handler ? m.handler : "?");
    return text;
}

bool Matches(const ControlsMsg& expected, const ControlsMsg& actual)
{
    return expected.message == actual.message
        && (static_cast<LPARAM>(expected.wParam) == kControlsAny || expected.wParam == actual.wParam)
        && (expected.lParam == kControlsAny || expected.lParam == actual.lParam)
        && std::strcmp(expected.handler, actual.handler) == 0;
}

} // namespace

void ControlsRecorder::Add(UINT message, WPARAM wParam, LPARAM lParam, const char* handler)
{
    if (!m_only.empty()) {
        bool wanted = false;
        for (UINT m : m_only)
            wanted = wanted || m == message;
        if (!wanted)
            return;
    }
    m_entries.push_back(ControlsMsg{message, wParam, lParam, handler});
}

std::size_t ControlsRecorder::Count(UINT message, const char* handler) const
{
    std::size_t count = 0;
    for (const ControlsMsg& m : m_entries) {
        if (m.message == message && (handler == nullptr || std::strcmp(handler, m.handler) == 0))
            ++count;
    }
    return count;
}

void ControlsCheckSequence(const ControlsRecorder& recorder, const ControlsMsg* expected, std::size_t count,
                           const char* file, int line)
{
    const std::vector<ControlsMsg>& actual = recorder.Entries();
    bool same = actual.size() == count;
    for (std::size_t i = 0; same && i < count; ++i)
        same = Matches(expected[i], actual[i]);
    if (same)
        return;
    std::string report = "message sequence differs\n  expected:\n";
    for (std::size_t i = 0; i < count; ++i)
        report += "    " + Describe(expected[i]) + "\n";
    report += "  actual:\n";
    for (const ControlsMsg& m : actual)
        report += "    " + Describe(m) + "\n";
    ADD_FAIL_CHECK_AT(file, line, report);
}
