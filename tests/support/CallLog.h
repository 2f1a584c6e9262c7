// Message-sequence records for the window tests: calls and delivered messages in order, their
// comparison with an expected table, and a spy on what the platform delivers.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace calllog {

// In an expected entry, matches any wParam, lParam or argument.
const long long kAny = 0x7A7A7A7ALL;

// One handler call ({message being dispatched, handler name, unpacked arguments}) or one message
// that the spy saw delivered (handler "sent" or "posted").
struct Call {
    UINT message;
    long long wParam;
    long long lParam;
    std::string handler;
    std::vector<long long> args;
};

using Sequence = std::vector<Call>;

template <typename T>
long long V(T value) { return (long long)(value); }

// The entries of `log` whose handler is one of `handlers`, in order: drops what the platform
// adds around a real message (activation, non-client traffic) that a case does not look at.
Sequence Only(const Sequence& log, std::initializer_list<const char*> handlers);

std::string Describe(const Sequence& sequence);

// Adds a failed check at file:line listing both sequences when they differ.
void CheckSequence(const Sequence& actual, const Sequence& expected, const char* file, int line);

#define CHECK_SEQUENCE(actual, expected) calllog::CheckSequence((actual), (expected), __FILE__, __LINE__)

// Records the messages in `messages` that reach windows of class `className` on this thread:
// sent ones (WH_CALLWNDPROC) as "sent", posted ones as the thread takes them from its queue
// (WH_GETMESSAGE) as "posted" with the message time as the one argument. Hook procedures get
// no context, so the thread's one active spy is found through a thread-local pointer that
// lives exactly as long as the spy.
class MessageSpy {
public:
    MessageSpy(Sequence* log, std::vector<UINT> messages, const wchar_t* className);
    ~MessageSpy();
    MessageSpy(const MessageSpy&) = delete;
    MessageSpy& operator=(const MessageSpy&) = delete;

private:
    static LRESULT CALLBACK SentHook(int code, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK PostedHook(int code, WPARAM wParam, LPARAM lParam) noexcept;
    void Record(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const char* kind, DWORD time);

    Sequence* m_log;
    std::vector<UINT> m_messages;
    std::wstring m_className;
    HHOOK m_sent;
    HHOOK m_posted;
    MessageSpy* m_previous;
};

} // namespace calllog
