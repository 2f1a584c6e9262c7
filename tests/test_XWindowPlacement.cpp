// XWindow::Center and XWindow::Move on real popup windows of exact pixel sizes: the centring
// formula, XWND_KEEP, and what SetWindowPos is asked to do (seen in WM_WINDOWPOSCHANGING).
#include <doctest/doctest.h>

#include "framework/XWindow.h"

#include <vector>

namespace {

const wchar_t kPlacedClass[] = L"XTestPlacedWindow";

// A popup window whose procedure keeps every WINDOWPOS that WM_WINDOWPOSCHANGING carries, with
// an XWindow registered on it as a plain window.
struct PlacedWindow {
    XWindow window;
    HWND hwnd = nullptr;
    std::vector<WINDOWPOS> changes;

    PlacedWindow(int width, int height)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kPlacedClass;
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, kPlacedClass, L"Placed", WS_POPUP | WS_VISIBLE, 10, 20, width, height,
                               nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (hwnd)
            window.Register(hwnd, false);
        changes.clear();
    }
    ~PlacedWindow() { window.Destroy(); }

    RECT Rect() const
    {
        RECT rect = {};
        GetWindowRect(hwnd, &rect);
        return rect;
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
    {
        if (message == WM_NCCREATE) {
            const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        PlacedWindow* self = reinterpret_cast<PlacedWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_WINDOWPOSCHANGING)
            self->changes.push_back(*reinterpret_cast<const WINDOWPOS*>(lParam));
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

const UINT kMoveFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

} // namespace

TEST_CASE("XWindow::Center: desktop half minus window half, each halved on its own")
{
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    // The expected positions below are for the test display.
    REQUIRE(desktop.right == 1024);
    REQUIRE(desktop.bottom == 768);

    const struct {
        int width, height;
        int x, y;
    } cases[] = {
        {300, 200, 362, 284},
        {301, 201, 362, 284},       // (1024 - 301) / 2 would give 361, 283
        {1, 1, 512, 384},
        {2051, 1601, -513, -416},   // larger than the desktop: negative, still the same formula
    };
    for (const auto& c : cases) {
        CAPTURE(c.width);
        CAPTURE(c.height);
        PlacedWindow placed(c.width, c.height);
        REQUIRE(placed.hwnd != nullptr);
        placed.window.Center();
        const RECT rect = placed.Rect();
        CHECK(rect.left == c.x);
        CHECK(rect.top == c.y);
        CHECK(rect.right - rect.left == c.width);
        CHECK(rect.bottom - rect.top == c.height);
        REQUIRE(placed.changes.size() == 1);
        CHECK((placed.changes[0].flags & kMoveFlags) == kMoveFlags);
    }
}

TEST_CASE("XWindow::Move: XWND_KEEP keeps one or both edges and the size is passed again")
{
    PlacedWindow placed(250, 150);
    REQUIRE(placed.hwnd != nullptr);

    const struct {
        int x, y;
        int left, top;
    } cases[] = {
        {-40, 600, -40, 600},
        {XWND_KEEP, 50, -40, 50},
        {70, XWND_KEEP, 70, 50},
        {XWND_KEEP, XWND_KEEP, 70, 50},
    };
    for (const auto& c : cases) {
        CAPTURE(c.x);
        CAPTURE(c.y);
        placed.changes.clear();
        placed.window.Move(c.x, c.y);
        const RECT rect = placed.Rect();
        CHECK(rect.left == c.left);
        CHECK(rect.top == c.top);
        CHECK(rect.right - rect.left == 250);
        CHECK(rect.bottom - rect.top == 150);
        // Even when nothing changes, SetWindowPos is asked for this position and this size.
        REQUIRE(placed.changes.size() == 1);
        const WINDOWPOS& pos = placed.changes[0];
        CHECK(pos.hwndInsertAfter == nullptr);
        CHECK(pos.x == c.left);
        CHECK(pos.y == c.top);
        CHECK(pos.cx == 250);
        CHECK(pos.cy == 150);
        CHECK((pos.flags & kMoveFlags) == kMoveFlags);
    }
}

TEST_CASE("XWindow::Move and Center: without a live handle nothing happens")
{
    SUBCASE("a fresh object")
    {
        XWindow window;
        window.Move(10, 10);
        window.Center();
        CHECK(window.m_hwnd == nullptr);
    }
    SUBCASE("a handle whose window is gone: the failed GetWindowRect is not an error")
    {
        PlacedWindow placed(100, 100);
        REQUIRE(placed.hwnd != nullptr);
        DestroyWindow(placed.hwnd);
        placed.window.Move(XWND_KEEP, 10);
        placed.window.Center();
        CHECK(placed.window.m_hwnd == placed.hwnd);
        CHECK_FALSE(IsWindow(placed.hwnd));
    }
}
