// Start-up, peak memory and file size of JobDialog.exe against BareDialog.exe, measured from
// outside: each run starts the program with CreateProcessW and polls, about once a millisecond,
// for its dialog to be visible with the list showing its one row checked (asked across the
// process boundary with LVM_GETITEMCOUNT and LVM_GETITEMSTATE). The peak working set and peak
// pagefile use come from GetProcessMemoryInfo once the dialog has settled; then the dialog is
// cancelled and the program must exit with 0. Runs alternate in pairs (the order flips each
// pair); the first pair warms the caches and is not counted.
// Usage: StartupBench <JobDialog.exe> <BareDialog.exe> [pairs, default 11]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/resource.h"

namespace {

const DWORD kAppearTimeoutMs = 30000;
const DWORD kSettleMs = 300;
const DWORD kExitTimeoutMs = 10000;

struct Run {
    bool ok;
    double startupMs;
    double peakWorkingSetKb;
    double peakPagefileKb;
};

double NowSeconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->processId || !IsWindowVisible(hwnd))
        return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, 16);
    if (std::wcscmp(className, L"#32770") != 0)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

// The visible dialog of the process whose list shows one row with its box checked, or null.
HWND ReadyDialog(DWORD processId)
{
    Search search = {processId, nullptr};
    EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        return nullptr;
    HWND list = GetDlgItem(search.found, IDC_JOB_LIST);
    DWORD_PTR rows = 0, state = 0;
    if (!list || !SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 1000, &rows) || rows != 1)
        return nullptr;
    if (!SendMessageTimeoutW(list, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK, SMTO_NORMAL, 1000, &state) ||
        state != INDEXTOSTATEIMAGEMASK(2))
        return nullptr;
    return search.found;
}

Run RunOnce(const wchar_t* path)
{
    Run run = {false, 0, 0, 0};
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const double start = NowSeconds();
    if (!CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("cannot start %ls (error %lu)\n", path, GetLastError());
        return run;
    }
    HWND dialog = nullptr;
    for (;;) {
        dialog = ReadyDialog(process.dwProcessId);
        if (dialog)
            break;
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0 ||
            NowSeconds() - start > kAppearTimeoutMs / 1000.0)
            break;
    }
    if (dialog) {
        run.startupMs = (NowSeconds() - start) * 1000;
        Sleep(kSettleMs);
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory))) {
            run.peakWorkingSetKb = static_cast<double>(memory.PeakWorkingSetSize) / 1024;
            run.peakPagefileKb = static_cast<double>(memory.PeakPagefileUsage) / 1024;
        }
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    } else {
        std::printf("%ls: no ready dialog\n", path);
    }
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, kExitTimeoutMs) != WAIT_OBJECT_0) {
        std::printf("%ls did not exit; stopping it\n", path);
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kExitTimeoutMs);
    }
    GetExitCodeProcess(process.hProcess, &code);
    if (code != 0)
        std::printf("%ls exited with %lu\n", path, code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.ok = dialog != nullptr && code == 0;
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long long FileSize(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::printf("usage: StartupBench <JobDialog.exe> <BareDialog.exe> [pairs]\n");
        return 2;
    }
    const wchar_t* paths[2] = {argv[1], argv[2]};
    const int pairs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 11;

    const long long sizes[2] = {FileSize(paths[0]), FileSize(paths[1])};
    std::printf("file size: JobDialog.exe %lld bytes (%.1f KB), BareDialog.exe %lld bytes (%.1f KB), ratio %.2fx\n",
                sizes[0], sizes[0] / 1024.0, sizes[1], sizes[1] / 1024.0,
                static_cast<double>(sizes[0]) / static_cast<double>(sizes[1]));

    RunOnce(paths[0]);
    RunOnce(paths[1]);

    std::vector<double> times[2], workingSets[2], pagefiles[2], ratios;
    std::printf("start-up to the visible dialog with its checked row, %d alternating pairs (+1 warm-up)\n", pairs);
    std::printf("  %4s %14s %14s %8s\n", "pair", "JobDialog ms", "BareDialog ms", "ratio");
    int failures = 0;
    for (int pair = 0; pair < pairs; ++pair) {
        Run runs[2];
        const int first = pair % 2;
        runs[first] = RunOnce(paths[first]);
        runs[1 - first] = RunOnce(paths[1 - first]);
        if (!runs[0].ok || !runs[1].ok) {
            ++failures;
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            times[i].push_back(runs[i].startupMs);
            workingSets[i].push_back(runs[i].peakWorkingSetKb);
            pagefiles[i].push_back(runs[i].peakPagefileKb);
        }
        ratios.push_back(runs[0].startupMs / runs[1].startupMs);
        std::printf("  %4d %14.1f %14.1f %7.3fx%s\n", pair + 1, runs[0].startupMs, runs[1].startupMs, ratios.back(),
                    first ? "  (bare first)" : "");
    }
    if (ratios.empty()) {
        std::printf("no complete pair\n");
        return 1;
    }
    std::printf("  median %12.1f %14.1f %7.3fx\n", Median(times[0]), Median(times[1]),
                Median(times[0]) / Median(times[1]));
    std::printf("start-up ratio: %.3fx of the medians, %.3fx median of the pair ratios; %d pairs failed\n",
                Median(times[0]) / Median(times[1]), Median(ratios), failures);
    std::printf("peak working set: JobDialog %.0f KB, BareDialog %.0f KB, ratio %.3fx (medians)\n",
                Median(workingSets[0]), Median(workingSets[1]), Median(workingSets[0]) / Median(workingSets[1]));
    std::printf("peak pagefile use: JobDialog %.0f KB, BareDialog %.0f KB, ratio %.3fx (medians)\n",
                Median(pagefiles[0]), Median(pagefiles[1]), Median(pagefiles[0]) / Median(pagefiles[1]));
    return failures ? 1 : 0;
}
