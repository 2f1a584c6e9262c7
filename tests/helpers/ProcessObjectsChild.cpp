// Child program of test_ProcessObjects: built with the process-wide objects' source compiled
// with XPROCESS_TRACE, it writes one line to its standard output for every step, for the entry
// point and for every teardown, and checks right after each teardown that the handle its step
// created is closed. The lines, in order:
//   step <name>[ +handle]      the step has run (and created a valid handle)
//   main                       the entry point
//   teardown <name>[ +handle]  the step's teardown, if it has one, is about to run (its handle
//                              still valid)
//   closed <name> / open <name> after that teardown, the step's handle is invalid / still valid
//   end                        every teardown has run
#include <windows.h>

#include <cstring>
#include <initializer_list>

void XProcessTraceStep(const char* name, HANDLE handle);
void XProcessTraceTeardown(const char* name, HANDLE handle);
void XProcessTraceEnd();

namespace {

// Reports start before main: this file's own state is constant-initialised, never dynamic.
const char* pendingName = nullptr;
HANDLE pendingHandle = nullptr;

void WriteLine(const char* first, const char* second, const char* third)
{
    char line[160] = "";
    for (const char* part : {first, second, third}) {
        if (part != nullptr && std::strlen(line) + std::strlen(part) + 2 < sizeof(line))
            std::strcat(line, part);
    }
    std::strcat(line, "\n");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
}

bool IsValidHandle(HANDLE handle)
{
    DWORD flags = 0;
    return handle != nullptr && GetHandleInformation(handle, &flags) != 0;
}

// The teardown announced last has run by now: check the handle its step created.
void CheckPending()
{
    if (pendingName != nullptr && pendingHandle != nullptr)
        WriteLine(IsValidHandle(pendingHandle) ? "open " : "closed ", pendingName, nullptr);
    pendingName = nullptr;
    pendingHandle = nullptr;
}

} // namespace

void XProcessTraceStep(const char* name, HANDLE handle)
{
    WriteLine("step ", name, IsValidHandle(handle) ? " +handle" : nullptr);
}

void XProcessTraceTeardown(const char* name, HANDLE handle)
{
    CheckPending();
    WriteLine("teardown ", name, IsValidHandle(handle) ? " +handle" : nullptr);
    pendingName = name;
    pendingHandle = handle;
}

void XProcessTraceEnd()
{
    CheckPending();
    WriteLine("end", nullptr, nullptr);
}

int wmain()
{
    WriteLine("main", nullptr, nullptr);
    return 0;
}
