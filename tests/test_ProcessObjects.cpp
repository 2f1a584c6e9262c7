// The process-wide objects: the start-up and exit order seen in a real process, the state the
// steps leave behind, and the GDI+ teardown.
#include <doctest/doctest.h>

#include "services/XProcessObjects.h"

#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum Teardown {
    kNoTeardown,
    kTeardown,
    kClosesHandle,                  // the step created a mutex or event that its teardown closes
};

struct StartStep {
    const char* name;
    Teardown teardown;
};

const StartStep kStartOrder[] = {
    {"spareMutex1", kClosesHandle},
    {"spareString1", kTeardown},
    {"gdiplusState", kTeardown},
    {"commonControls", kNoTeardown},
    {"randomSource", kTeardown},
    {"regBasePath", kTeardown},
    {"spareString2", kTeardown},
    {"spareString3", kTeardown},
    {"socketLibrary", kTeardown},
    {"workerControl", kClosesHandle},
    {"spareArray", kTeardown},
    {"spareMutex2", kClosesHandle},
    {"liveWindowsLock", kClosesHandle},
    {"liveWindows", kTeardown},
    {"subClassLock", kClosesHandle},
};

std::string Join(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// Runs the traced child (built next to this program) and collects its standard output.
struct ChildRun {
    bool started = false;
    DWORD exitCode = 1;
    std::vector<std::string> lines;

    ChildRun()
    {
        wchar_t path[MAX_PATH];
        DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        REQUIRE(length > 0);
        REQUIRE(length < MAX_PATH);
        std::wstring childPath(path, length);
        childPath.erase(childPath.find_last_of(L'\\') + 1);
        childPath += L"ProcessObjectsChild.exe";

        SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        REQUIRE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        PROCESS_INFORMATION process = {};
        std::wstring commandLine = L"\"" + childPath + L"\"";
        started = CreateProcessW(childPath.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                 CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process) != 0;
        // Only the child may hold the write end, or the read below never sees the pipe end.
        CloseHandle(writeEnd);
        std::string output;
        if (started) {
            char buffer[512];
            DWORD got = 0;
            while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
                output.append(buffer, got);
            WaitForSingleObject(process.hProcess, 30000);
            GetExitCodeProcess(process.hProcess, &exitCode);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(readEnd);

        std::istringstream stream(output);
        std::string line;
        while (std::getline(stream, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
    }

    // The names of the lines that begin with `prefix`, in order.
    std::vector<std::string> Names(const std::string& prefix) const
    {
        std::vector<std::string> names;
        for (const std::string& line : lines) {
            if (line.compare(0, prefix.size(), prefix) == 0)
                names.push_back(line.substr(prefix.size(), line.find(' ', prefix.size()) - prefix.size()));
        }
        return names;
    }
};

std::vector<std::string> ExpectedChildOutput()
{
    std::vector<std::string> lines;
    for (const StartStep& step : kStartOrder)
        lines.push_back(std::string("step ") + step.name + (step.teardown == kClosesHandle ? " +handle" : ""));
    lines.push_back("main");
    // The exit sequence is the start-up order reversed; each handle is closed by its own teardown.
    for (size_t i = sizeof(kStartOrder) / sizeof(kStartOrder[0]); i-- > 0;) {
        const StartStep& step = kStartOrder[i];
        if (step.teardown == kNoTeardown)
            continue;
        lines.push_back(std::string("teardown ") + step.name + (step.teardown == kClosesHandle ? " +handle" : ""));
        if (step.teardown == kClosesHandle)
            lines.push_back(std::string("closed ") + step.name);
    }
    lines.push_back("end");
    return lines;
}

struct ShutdownRecord {
    int calls = 0;
};

// The token is the record's address, so the fake needs no state of its own.
void WINAPI RecordShutdown(ULONG_PTR token)
{
    ++reinterpret_cast<ShutdownRecord*>(token)->calls;
}

} // namespace

TEST_CASE("the steps run before the entry point and the teardowns after it, in reverse order")
{
    ChildRun child;
    REQUIRE(child.started);
    CHECK(child.exitCode == 0);
    CHECK(Join(child.lines) == Join(ExpectedChildOutput()));

    // Whatever the table says: the teardowns that ran are the steps that ran, reversed.
    std::vector<std::string> steps = child.Names("step ");
    auto noTeardown = std::find(steps.begin(), steps.end(), "commonControls");
    if (noTeardown != steps.end())
        steps.erase(noTeardown);
    std::vector<std::string> teardowns = child.Names("teardown ");
    CHECK(Join(teardowns) == Join(std::vector<std::string>(steps.rbegin(), steps.rend())));
}

TEST_CASE("when the entry point runs, every object is in the state its step left")
{
    for (XMutex* mutex : {&spareMutex1, &spareMutex2, &liveWindowsLock, &subClassLock}) {
        CHECK(mutex->m_handle != nullptr);
        CHECK(mutex->m_existed == 0);
    }
    for (XString* text : {&spareString1, &regBasePath, &spareString2, &spareString3})
        CHECK(text->IsEmpty());
    for (XPtrArray* array : {&spareArray, &liveWindows}) {
        CHECK(array->m_data == array->m_inline);
        CHECK(array->GetCount() == 0);
        CHECK(array->m_capacity == XARR_INLINE);
        CHECK(array->m_growBy == XARR_GROW_FIRST);
    }
    CHECK(gdiplusState.m_started == 0);

    CHECK(randomSource.m_index == 624);
    std::mt19937 reference(randomSource.m_state[0]);
    std::ostringstream words;
    words << reference;
    std::istringstream expected(words.str());
    bool same = true;
    for (uint32_t word : randomSource.m_state) {
        uint32_t want = 0;
        expected >> want;
        same = same && word == want;
    }
    CHECK(same);
    CHECK(randomSource.m_file.m_handle == INVALID_HANDLE_VALUE);
    CHECK(randomSource.m_memBuffer.m_block == nullptr);

    CHECK(workerControl.m_stopEvent != nullptr);
    CHECK(WaitForSingleObject(workerControl.m_stopEvent, 0) == WAIT_TIMEOUT);
    CHECK(workerControl.m_eventExisted == 0);
    CHECK(workerControl.m_thread == nullptr);
    CHECK(workerControl.m_timeLimitMs == 0);
    CHECK(workerControl.m_suspended == 0);

    CHECK(netThrottle1.Wait(0));
    CHECK(netThrottle2.Wait(0));
}

TEST_CASE("the GDI+ teardown shuts GDI+ down only when it was started")
{
    ShutdownRecord record;
    XGdiplusState state;
    state.m_token = reinterpret_cast<ULONG_PTR>(&record);

    SUBCASE("not started: no shutdown call")
    {
        state.Shutdown(RecordShutdown);
        CHECK(record.calls == 0);
    }
    SUBCASE("started: one shutdown with the token, then the record says not started")
    {
        state.m_started = 1;
        state.Shutdown(RecordShutdown);
        state.Shutdown(RecordShutdown);
        CHECK(record.calls == 1);
        CHECK(state.m_started == 0);
        state.m_started = 0;        // the destructor must never hand the fake token to GDI+
    }
}
