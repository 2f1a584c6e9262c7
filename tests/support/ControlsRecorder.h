// ControlsRecorder logs window messages in the order they happen, for comparison with an
// expected table in the conformance style.
#pragma once

#include <windows.h>

#include <cstddef>
#include <initializer_list>
#include <vector>

// One logged message. `handler` names who saw it ("hook", "ctrl", "parent", ...) and must be a
// string literal. For WM_NOTIFY entries wParam holds the notification code.
struct ControlsMsg {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char* handler;
};

// An expected wParam or lParam that matches any recorded value.
const LPARAM kControlsAny = static_cast<LPARAM>(0x5A5A0A5A);

class ControlsRecorder {
public:
    ControlsRecorder() {}
    // Logs only these messages; an empty list logs every message.
    explicit ControlsRecorder(std::initializer_list<UINT> only) : m_only(only) {}

    void Add(UINT message, WPARAM wParam, LPARAM lParam, const char* handler);
    void Clear() { m_entries.clear(); }
    const std::vector<ControlsMsg>& Entries() const { return m_entries; }
    // How many entries have this message (and this handler, when one is given).
    std::size_t Count(UINT message, const char* handler = nullptr) const;

private:
    std::vector<UINT> m_only;
    std::vector<ControlsMsg> m_entries;
};

// Fails at file:line, printing both sequences, when the log differs from `expected`.
void ControlsCheckSequence(const ControlsRecorder& recorder, const ControlsMsg* expected, std::size_t count,
                           const char* file, int line);

#define CONTROLS_CHECK_SEQUENCE(recorder, table) \
    ControlsCheckSequence((recorder), (table), sizeof(table) / sizeof((table)[0]), __FILE__, __LINE__)
