#include "support/CallLog.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace calllog {

namespace {

thread_local MessageSpy* activeSpy = nullptr;

std::string MessageName(UINT message)
{
    static const struct { UINT id; const char* name; } names[] = {
        {WM_CREATE, "WM_CREATE"}, {WM_DESTROY, "WM_DESTROY"}, {WM_MOVE, "WM_MOVE"},
        {WM_SIZE, "WM_SIZE"}, {WM_ACTIVATE, "WM_ACTIVATE"}, {WM_PAINT, "WM_PAINT"},
        {WM_CLOSE, "WM_CLOSE"}, {WM_ERASEBKGND, "WM_ERASEBKGND"}, {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
        {WM_SETFONT, "WM_SETFONT"}, {WM_DRAWITEM, "WM_DRAWITEM"}, {WM_NOTIFY, "WM_NOTIFY"},
        {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"}, {WM_CONTEXTMENU, "WM_CONTEXTMENU"},
        {WM_KEYDOWN, "WM_KEYDOWN"}, {WM_KEYUP, "WM_KEYUP"}, {WM_CHAR, "WM_CHAR"},
        {WM_INITDIALOG, "WM_INITDIALOG"}, {WM_COMMAND, "WM_COMMAND"},
        {WM_SYSCOMMAND, "WM_SYSCOMMAND"}, {WM_TIMER, "WM_TIMER"},
        {WM_CTLCOLORDLG, "WM_CTLCOLORDLG"}, {WM_CTLCOLORSTATIC, "WM_CTLCOLORSTATIC"},
        {WM_MOUSEMOVE, "WM_MOUSEMOVE"}, {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
        {WM_LBUTTONUP, "WM_LBUTTONUP"}, {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
        {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"}, {WM_RBUTTONUP, "WM_RBUTTONUP"},
        {WM_MBUTTONDOWN, "WM_MBUTTONDOWN"}, {WM_MBUTTONUP, "WM_MBUTTONUP"},
        {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"}, {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
        {WM_NCCREATE, "WM_NCCREATE"},
    };
    for (const auto& n : names)
        if (n.id == message)
            return n.name;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", message);
    return buffer;
}

std::string Value(long long v)
{
    if (v == kAny)
        return "*";
    char buffer[32];
    if (v > -0x10000 && v < 0x10000)
        std::snprintf(buffer, sizeof buffer, "%lld", v);
    else
        std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(v));
    return buffer;
}

bool Same(long long expected, long long actual)
{
    return expected == kAny || expected == actual;
}

bool Same(const Call& expected, const Call& actual)
{
    if (expected.message != actual.message || expected.handler != actual.handler
        || !Same(expected.wParam, actual.wParam) || !Same(expected.lParam, actual.lParam)
        || expected.args.size() != actual.args.size())
        return false;
    for (size_t i = 0; i < expected.args.size(); ++i)
        if (!Same(expected.args[i], actual.args[i]))
            return false;
    return true;
}

} // namespace

Sequence Only(const Sequence& log, std::initializer_list<const char*> handlers)
{
    Sequence kept;
    for (const Call& call : log)
        for (const char* handler : handlers)
            if (call.handler == handler) {
                kept.push_back(call);
                break;
            }
    return kept;
}

std::string Describe(const Sequence& sequence)
{
    std::string text;
    if (sequence.empty())
        text = "    (nothing)\n";
    for (const Call& call : sequence) {
        text += "    " + MessageName(call.message) + " wp=" + Value(call.wParam) + " lp=" + Value(call.lParam)
                + " -> " + call.handler + "(";
        for (size_t i = 0; i < call.args.size(); ++i)
            text += (i ? ", " : "") + Value(call.args[i]);
        text += ")\n";
    }
    return text;
}

void CheckSequence(const Sequence& actual, const Sequence& expected, const char* file, int line)
{
    bool same = actual.size() == expected.size();
    for (size_t i = 0; same && i < actual.size(); ++i)
        same = Same(expected[i], actual[i]);
    if (!same) {
        const std::string report = "message sequence differs\n  expected:\n" + Describe(expected)
                                   + "  actual:\n" + Describe(actual);
        ADD_FAIL_CHECK_AT(file, line, report);
    }
}

MessageSpy::MessageSpy(Sequence* log, std::vector<UINT> messages, const wchar_t* className)
    : m_log(log), m_messages(std::move(messages)), m_className(className), m_previous(activeSpy)
{
    activeSpy = this;
    m_sent = SetWindowsHookExW(WH_CALLWNDPROC, &MessageSpy::SentHook, nullptr, GetCurrentThreadId());
    m_posted = SetWindowsHookExW(WH_GETMESSAGE, &MessageSpy::PostedHook, nullptr, GetCurrentThreadId());
}

MessageSpy::~MessageSpy()
{
    if (m_sent)
        UnhookWindowsHookEx(m_sent);
    if (m_posted)
        UnhookWindowsHookEx(m_posted);
    activeSpy = m_previous;
}

void MessageSpy::Record(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const char* kind, DWORD time)
{
    if (std::find(m_messages.begin(), m_messages.end(), message) == m_messages.end())
        return;
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (m_className != name)
        return;
    Call call{message, V(wParam), V(lParam), kind, {}};
    if (std::strcmp(kind, "posted") == 0)
        call.args.push_back(time);
    m_log->push_back(call);
}

LRESULT CALLBACK MessageSpy::SentHook(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    if (code == HC_ACTION && activeSpy) {
        const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        activeSpy->Record(sent->hwnd, sent->message, sent->wParam, sent->lParam, "sent", 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MessageSpy::PostedHook(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    // PM_NOREMOVE peeks would count one message several times.
    if (code == HC_ACTION && wParam == PM_REMOVE && activeSpy) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        activeSpy->Record(msg->hwnd, msg->message, msg->wParam, msg->lParam, "posted", msg->time);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace calllog
