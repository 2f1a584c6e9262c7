// Message dispatch of the real job dialog (MyDlg through XWindow::DialogProc) against the bare
// dialog procedure (BareJobDialog) in the same process, both dialogs up at once from template
// 101: messages per second through SendMessageW and through a direct call of each procedure,
// and per dispatched message the mutex waits and releases (by lock) and the heap allocations
// that this program's code makes, counted through its own import table (patched for the whole
// run); the same counts for the start-up, from DoModal to the visible dialog.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/MyDlg.h"
#include "app/resource.h"
#include "bench/BareJobDialog.h"
#include "bench/ImportPatch.h"
#include "services/XProcessObjects.h"

namespace {

const int kBatch = 4000;        // messages per timed batch
const int kRounds = 7;          // timed batches per procedure, alternating; the median counts
const int kCounted = 1000;      // messages of the counting pass

// What the patched imports saw while counting was on: mutex waits and releases by handle, and
// allocations. Hook functions get no context, so the counts live here.
struct HandleCount {
    HANDLE handle;
    long long waits;
    long long releases;
};

struct Counts {
    HandleCount handles[16];
    int used;
    long long allocations;

    HandleCount* For(HANDLE handle)
    {
        for (int i = 0; i < used; ++i) {
            if (handles[i].handle == handle)
                return &handles[i];
        }
        if (used == 16)
            return &handles[15];    // more handles than this program ever waits on: lumped together
        handles[used] = HandleCount{handle, 0, 0};
        return &handles[used++];
    }

    HandleCount Of(HANDLE handle) const
    {
        for (int i = 0; i < used; ++i) {
            if (handles[i].handle == handle)
                return handles[i];
        }
        return HandleCount{handle, 0, 0};
    }

    HandleCount Total() const
    {
        HandleCount total = {nullptr, 0, 0};
        for (int i = 0; i < used; ++i) {
            total.waits += handles[i].waits;
            total.releases += handles[i].releases;
        }
        return total;
    }
};

struct Hooks {
    bool counting = false;
    Counts counts = {};
    DWORD (WINAPI* wait)(HANDLE, DWORD) = nullptr;
    BOOL (WINAPI* release)(HANDLE) = nullptr;
    void* (__cdecl* allocate)(size_t) = nullptr;
    void* (__cdecl* allocateZeroed)(size_t, size_t) = nullptr;
    void* (__cdecl* reallocate)(void*, size_t) = nullptr;
    // Counted from DoModal to the first sight of the visible dialog.
    Counts startUp = {};
    bool startUpDone = false;
};
Hooks hooks;

DWORD WINAPI CountingWait(HANDLE handle, DWORD ms)
{
    if (hooks.counting)
        ++hooks.counts.For(handle)->waits;
    return hooks.wait(handle, ms);
}

BOOL WINAPI CountingRelease(HANDLE handle)
{
    if (hooks.counting)
        ++hooks.counts.For(handle)->releases;
    return hooks.release(handle);
}

// operator new of the static C++ runtime allocates through malloc, so these see every new too.
void* __cdecl CountingMalloc(size_t size)
{
    if (hooks.counting)
        ++hooks.counts.allocations;
    return hooks.allocate(size);
}

void* __cdecl CountingCalloc(size_t count, size_t size)
{
    if (hooks.counting)
        ++hooks.counts.allocations;
    return hooks.allocateZeroed(count, size);
}

void* __cdecl CountingRealloc(void* block, size_t size)
{
    if (hooks.counting)
        ++hooks.counts.allocations;
    return hooks.reallocate(block, size);
}

struct Kind {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

typedef LRESULT (*Deliver)(HWND, const Kind&);

LRESULT BySend(HWND dialog, const Kind& kind)
{
    return SendMessageW(dialog, kind.message, kind.wParam, kind.lParam);
}

LRESULT ByFrameworkCall(HWND dialog, const Kind& kind)
{
    return XWindow::DialogProc(dialog, kind.message, kind.wParam, kind.lParam);
}

LRESULT ByBareCall(HWND dialog, const Kind& kind)
{
    return BareJobDialogProc(dialog, kind.message, kind.wParam, kind.lParam);
}

double NowSeconds()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double TimeBatch(HWND dialog, const Kind& kind, Deliver deliver)
{
    const double start = NowSeconds();
    for (int i = 0; i < kBatch; ++i)
        deliver(dialog, kind);
    return (NowSeconds() - start) / kBatch;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Counts CountPass(HWND dialog, const Kind& kind, Deliver deliver)
{
    hooks.counts = Counts{};
    hooks.counting = true;
    for (int i = 0; i < kCounted; ++i)
        deliver(dialog, kind);
    hooks.counting = false;
    return hooks.counts;
}

double PerMessage(long long count)
{
    return static_cast<double>(count) / kCounted;
}

// The whole measurement, run inside MyDlg's modal loop once its dialog is up.
void Measure(HWND framework)
{
    HWND bare = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_JOB_DIALOG), nullptr,
                                   &BareJobDialogProc, 0);
    XWindow* object = XWindow::FromHandle(framework);
    if (!bare || !object || object->m_timers.GetCount() != 1) {
        std::printf("set-up failed: bare dialog %p, framework object %p\n", static_cast<void*>(bare),
                    static_cast<void*>(object));
        return;
    }
    const UINT timerId = object->m_timers.GetAt(0)->m_id;
    // The bare dialog's timer has id 1 too; an id that neither dialog runs tests the miss path.
    const Kind kinds[] = {
        {"WM_MOUSEMOVE", WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)},
        {"WM_COMMAND id 1000", WM_COMMAND, 1000, 0},
        {"WM_APP (no handler)", WM_APP, 0, 0},
        {"WM_TIMER own timer", WM_TIMER, timerId, 0},
        {"WM_TIMER unknown id", WM_TIMER, 4321, 0},
    };

    struct Path {
        const char* name;
        Deliver framework;
        Deliver bare;
    };
    const Path paths[] = {
        {"SendMessageW to the dialog", &BySend, &BySend},
        {"direct call of the dialog procedure", &ByFrameworkCall, &ByBareCall},
    };

    for (const Path& path : paths) {
        std::printf("%s (median of %d alternating batches of %d)\n", path.name, kRounds, kBatch);
        std::printf("  %-22s %14s %14s %12s %12s %9s\n", "message", "framework/s", "bare/s", "framework us",
                    "bare us", "ratio");
        for (const Kind& kind : kinds) {
            std::vector<double> fw, bw;
            for (int round = 0; round < kRounds; ++round) {
                if (round % 2 == 0) {
                    fw.push_back(TimeBatch(framework, kind, path.framework));
                    bw.push_back(TimeBatch(bare, kind, path.bare));
                } else {
                    bw.push_back(TimeBatch(bare, kind, path.bare));
                    fw.push_back(TimeBatch(framework, kind, path.framework));
                }
            }
            const double f = Median(fw), b = Median(bw);
            std::printf("  %-22s %14.0f %14.0f %12.3f %12.3f %8.2fx\n", kind.name, 1 / f, 1 / b, f * 1e6, b * 1e6,
                        f / b);
        }
    }

    // Check that the patches see anything at all: one Lock and Unlock of the registry lock.
    hooks.counts = Counts{};
    hooks.counting = true;
    liveWindowsLock.Lock();
    liveWindowsLock.Unlock();
    int* volatile probe = new int(1);
    delete probe;
    hooks.counting = false;
    const HandleCount probed = hooks.counts.Of(liveWindowsLock.m_handle);
    const bool seen = probed.waits == 1 && probed.releases == 1 && hooks.counts.allocations == 1;

    const HANDLE windowLock = object->m_lock.m_handle;
    std::printf("mutex waits/releases and heap allocations per dispatched message, SendMessageW, %d messages%s\n",
                kCounted, seen ? "" : "  [COUNTING HOOKS SAW NOTHING]");
    std::printf("  %-22s %17s %17s %17s %12s %12s\n", "message", "registry lock", "window lock", "other mutexes",
                "allocations", "bare: calls");
    for (const Kind& kind : kinds) {
        const Counts f = CountPass(framework, kind, &BySend);
        const Counts b = CountPass(bare, kind, &BySend);
        const HandleCount registry = f.Of(liveWindowsLock.m_handle), window = f.Of(windowLock), all = f.Total();
        const HandleCount bareAll = b.Total();
        std::printf("  %-22s %8.2f/%-8.2f %8.2f/%-8.2f %8.2f/%-8.2f %12.2f %12.2f\n", kind.name,
                    PerMessage(registry.waits), PerMessage(registry.releases), PerMessage(window.waits),
                    PerMessage(window.releases), PerMessage(all.waits - registry.waits - window.waits),
                    PerMessage(all.releases - registry.releases - window.releases), PerMessage(f.allocations),
                    PerMessage(bareAll.waits + bareAll.releases + b.allocations));
    }

    // What one uncontended Lock and Unlock costs here: each is a call into the kernel (under
    // Wine a round trip to wineserver), and the start-up makes the number of pairs counted below.
    XMutex probeMutex;
    const double pairStart = NowSeconds();
    for (int i = 0; i < kBatch; ++i) {
        probeMutex.Lock();
        probeMutex.Unlock();
    }
    const double pairUs = (NowSeconds() - pairStart) / kBatch * 1e6;

    const Counts& up = hooks.startUp;
    const HandleCount registry = up.Of(liveWindowsLock.m_handle), window = up.Of(windowLock),
                      subclass = up.Of(subClassLock.m_handle), all = up.Total();
    std::printf("start-up, from DoModal to the visible dialog: mutex waits/releases: registry lock %lld/%lld, window "
                "lock %lld/%lld, subclass lock %lld/%lld, other %lld/%lld; heap allocations %lld\n",
                registry.waits, registry.releases, window.waits, window.releases, subclass.waits, subclass.releases,
                all.waits - registry.waits - window.waits - subclass.waits,
                all.releases - registry.releases - window.releases - subclass.releases, up.allocations);
    std::printf("one uncontended XMutex Lock + Unlock: %.1f us; the start-up's %lld pairs: about %.1f ms\n", pairUs,
                all.waits, static_cast<double>(all.waits) * pairUs / 1000);
    DestroyWindow(bare);
}

// Runs Measure once the job dialog of this thread is up, then ends that dialog.
LRESULT CALLBACK DriverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_TIMER)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    HWND dialog = FindWindowW(L"#32770", L"Dialog");
    if (!dialog || !IsWindowVisible(dialog))
        return 0;
    hooks.counting = false;
    hooks.startUp = hooks.counts;
    KillTimer(hwnd, wParam);
    Measure(dialog);
    EndDialog(dialog, 1);
    return 0;
}

} // namespace

int wmain()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &DriverProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DispatchBenchDriver";
    RegisterClassW(&wc);
    HWND driver = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                  nullptr);
    // The driver polls every 10 ms, so the start-up count may take in a few messages after
    // the dialog has shown.
    SetTimer(driver, 1, 10, nullptr);

    ImportPatch wait("kernel32.dll", "WaitForSingleObject", reinterpret_cast<void*>(&CountingWait));
    ImportPatch release("kernel32.dll", "ReleaseMutex", reinterpret_cast<void*>(&CountingRelease));
    ImportPatch allocate("msvcrt.dll", "malloc", reinterpret_cast<void*>(&CountingMalloc));
    ImportPatch allocateZeroed("msvcrt.dll", "calloc", reinterpret_cast<void*>(&CountingCalloc));
    ImportPatch reallocate("msvcrt.dll", "realloc", reinterpret_cast<void*>(&CountingRealloc));
    if (!wait.Valid() || !release.Valid() || !allocate.Valid() || !allocateZeroed.Valid() || !reallocate.Valid()) {
        std::printf("cannot patch the imports: wait %d release %d malloc %d calloc %d realloc %d\n", wait.Valid(),
                    release.Valid(), allocate.Valid(), allocateZeroed.Valid(), reallocate.Valid());
        return 1;
    }
    hooks.wait = reinterpret_cast<DWORD(WINAPI*)(HANDLE, DWORD)>(wait.Original());
    hooks.release = reinterpret_cast<BOOL(WINAPI*)(HANDLE)>(release.Original());
    hooks.allocate = reinterpret_cast<void*(__cdecl*)(size_t)>(allocate.Original());
    hooks.allocateZeroed = reinterpret_cast<void*(__cdecl*)(size_t, size_t)>(allocateZeroed.Original());
    hooks.reallocate = reinterpret_cast<void*(__cdecl*)(void*, size_t)>(reallocate.Original());

    INT_PTR code = 0;
    hooks.counts = Counts{};
    hooks.counting = true;
    {
        MyDlg dialog(&code);
    }
    DestroyWindow(driver);
    return code == 1 ? 0 : 1;
}
