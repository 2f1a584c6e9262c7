// XWindow's message dispatch over real dialogs and a real plain window: which handler each
// message reaches with which unpacked arguments, the handled flag, what the dialog or window
// procedure returns and what lands in DWLP_MSGRESULT, registration on WM_INITDIALOG, the
// registry lookups, and Destroy.
#include <doctest/doctest.h>

#include "framework/XWindow.h"
#include "services/XProcessObjects.h"
#include "support/CallLog.h"
#include "support/WindowDialogs.h"
#include "support/TestInput.h"

#include <commctrl.h>

#include <algorithm>
#include <set>
#include <string>

using calllog::Call;
using calllog::kAny;
using calllog::Sequence;
using calllog::V;

namespace {

// Logs every handler call with the message being dispatched and the unpacked arguments, then
// runs XWindow's default, so the handled flag ends as with the defaults unless a case lists the
// handler in `claims`: it then sets the flag again, as an override with an empty body would, and
// returns notifyResult or brush where the handler has a value.
class Recorder : public XWindow {
public:
    explicit Recorder(Sequence* log) : m_log(log) {}

    std::set<std::string> claims;
    LRESULT notifyResult = 0;
    HBRUSH brush = nullptr;
    UINT preClaimMessage = 0;      // PreDispatch takes this message over, returning preResult
    LRESULT preResult = 0;

    LRESULT PreDispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int* handled) override
    {
        m_message = message;
        m_wParam = wParam;
        m_lParam = lParam;
        const LRESULT result = XWindow::PreDispatch(hwnd, message, wParam, lParam, handled);
        if (preClaimMessage == 0 || message != preClaimMessage)
            return result;
        Log("PreDispatch", {V(hwnd)});
        *handled = 1;
        return preResult;
    }

    void OnActivate(HWND other, UINT minimized, UINT state) override
    {
        Log("OnActivate", {V(other), minimized, state});
        XWindow::OnActivate(other, minimized, state);
        Claim("OnActivate");
    }
    void OnClose() override { Log("OnClose", {}); XWindow::OnClose(); Claim("OnClose"); }
    void OnContextMenu(HWND window, UINT x, UINT y) override
    {
        Log("OnContextMenu", {V(window), x, y});
        XWindow::OnContextMenu(window, x, y);
        Claim("OnContextMenu");
    }
    void OnCommand(UINT id, HWND control, UINT code) override
    {
        Log("OnCommand", {id, V(control), code});
        XWindow::OnCommand(id, control, code);
        Claim("OnCommand");
    }
    void OnInitDialog() override { Log("OnInitDialog", {}); XWindow::OnInitDialog(); Claim("OnInitDialog"); }
    void OnDestroy() override { Log("OnDestroy", {}); XWindow::OnDestroy(); Claim("OnDestroy"); }
    void OnDeactivate(HWND other, UINT minimized) override
    {
        Log("OnDeactivate", {V(other), minimized});
        XWindow::OnDeactivate(other, minimized);
        Claim("OnDeactivate");
    }
    void OnDrawItem(HWND item, UINT controlId, DRAWITEMSTRUCT* draw) override
    {
        Log("OnDrawItem", {V(item), controlId, V(draw)});
        XWindow::OnDrawItem(item, controlId, draw);
        Claim("OnDrawItem");
    }
    void OnEraseBackground(HDC dc) override
    {
        Log("OnEraseBackground", {V(dc)});
        XWindow::OnEraseBackground(dc);
        Claim("OnEraseBackground");
    }
    void OnHide(UINT status) override { Log("OnHide", {status}); XWindow::OnHide(status); Claim("OnHide"); }
    void OnKeyDown(UINT key, LPARAM keyData) override
    {
        Log("OnKeyDown", {key, keyData});
        XWindow::OnKeyDown(key, keyData);
        Claim("OnKeyDown");
    }
    void OnKeyUp(UINT key, LPARAM keyData) override
    {
        Log("OnKeyUp", {key, keyData});
        XWindow::OnKeyUp(key, keyData);
        Claim("OnKeyUp");
    }
    void OnChar(UINT code) override { Log("OnChar", {code}); XWindow::OnChar(code); Claim("OnChar"); }
    void OnMouseDown(int x, int y, UINT message, UINT keys) override
    {
        Log("OnMouseDown", {x, y, message, keys});
        XWindow::OnMouseDown(x, y, message, keys);
        Claim("OnMouseDown");
    }
    void OnMouseUp(int x, int y, UINT message, UINT keys) override
    {
        Log("OnMouseUp", {x, y, message, keys});
        XWindow::OnMouseUp(x, y, message, keys);
        Claim("OnMouseUp");
    }
    void OnMouseMove(int x, int y, UINT keys) override
    {
        Log("OnMouseMove", {x, y, keys});
        XWindow::OnMouseMove(x, y, keys);
        Claim("OnMouseMove");
    }
    void OnMouseWheel(int x, int y, int delta, UINT keys) override
    {
        Log("OnMouseWheel", {x, y, delta, keys});
        XWindow::OnMouseWheel(x, y, delta, keys);
        Claim("OnMouseWheel");
    }
    void OnMove(int x, int y) override { Log("OnMove", {x, y}); XWindow::OnMove(x, y); Claim("OnMove"); }
    LRESULT OnNotify(NMHDR* header) override
    {
        Log("OnNotify", {V(header)});
        const LRESULT result = XWindow::OnNotify(header);
        return Claim("OnNotify") ? notifyResult : result;
    }
    void OnPaint() override
    {
        Log("OnPaint", {});
        XWindow::OnPaint();
        // A claimed WM_PAINT must still reach default painting, which validates the window.
        Claim("OnPaint");
    }
    void OnShow(UINT status) override { Log("OnShow", {status}); XWindow::OnShow(status); Claim("OnShow"); }
    void OnSize(UINT width, UINT height, UINT type) override
    {
        Log("OnSize", {width, height, type});
        XWindow::OnSize(width, height, type);
        Claim("OnSize");
    }
    void OnSysCommand(UINT command) override
    {
        Log("OnSysCommand", {command});
        XWindow::OnSysCommand(command);
        Claim("OnSysCommand");
    }
    void OnTimer(UINT id, UINT value) override { Log("OnTimer", {id, value}); XWindow::OnTimer(id, value); Claim("OnTimer"); }
    HBRUSH OnCtlColorStatic() override
    {
        Log("OnCtlColorStatic", {});
        const HBRUSH result = XWindow::OnCtlColorStatic();
        return Claim("OnCtlColorStatic") ? brush : result;
    }
    HBRUSH OnCtlColorDlg() override
    {
        Log("OnCtlColorDlg", {});
        const HBRUSH result = XWindow::OnCtlColorDlg();
        return Claim("OnCtlColorDlg") ? brush : result;
    }
    void OnOK() override { Log("OnOK", {}); XWindow::OnOK(); Claim("OnOK"); }
    void OnCancel() override { Log("OnCancel", {}); XWindow::OnCancel(); Claim("OnCancel"); }
    void OnAbort() override { Log("OnAbort", {}); XWindow::OnAbort(); Claim("OnAbort"); }
    void OnCloseButton() override { Log("OnCloseButton", {}); XWindow::OnCloseButton(); Claim("OnCloseButton"); }
    void OnHelp() override { Log("OnHelp", {}); XWindow::OnHelp(); Claim("OnHelp"); }
    void OnIgnore() override { Log("OnIgnore", {}); XWindow::OnIgnore(); Claim("OnIgnore"); }
    void OnNo() override { Log("OnNo", {}); XWindow::OnNo(); Claim("OnNo"); }
    void OnRetry() override { Log("OnRetry", {}); XWindow::OnRetry(); Claim("OnRetry"); }
    void OnYes() override { Log("OnYes", {}); XWindow::OnYes(); Claim("OnYes"); }

private:
    void Log(const char* handler, std::vector<long long> args)
    {
        m_log->push_back(Call{m_message, V(m_wParam), V(m_lParam), handler, std::move(args)});
    }
    bool Claim(const char* handler)
    {
        if (claims.count(handler) == 0)
            return false;
        m_handled = 1;
        return true;
    }

    Sequence* m_log;
    UINT m_message = 0;
    WPARAM m_wParam = 0;
    LPARAM m_lParam = 0;
};

// Shorthand for the expected entry of a handler call.
Call H(UINT message, long long wParam, long long lParam, const char* handler, std::vector<long long> args = {})
{
    return Call{message, wParam, lParam, handler, std::move(args)};
}

// Written to DWLP_MSGRESULT before a direct call to see whether the call stored a result.
const LONG_PTR kUntouched = 0x5A5A;

// The test dialog, created modeless from its template with XWindow::DialogProc and the
// recorder as initialisation parameter; the spy watches what reaches it before WM_INITDIALOG.
struct DialogFixture {
    Sequence log;
    Recorder rec{&log};
    HWND dlg = nullptr;
    int registeredBefore = liveWindows.GetCount();

    DialogFixture()
    {
        calllog::MessageSpy spy(&log, {WM_CREATE, WM_SETFONT, WM_INITDIALOG}, L"#32770");
        dlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_WINDOW_DISPATCH), nullptr,
                                 &XWindow::DialogProc, reinterpret_cast<LPARAM>(&rec));
    }
    ~DialogFixture() { rec.Destroy(); }

    HWND Item(int id) const { return GetDlgItem(dlg, id); }
    LONG_PTR MsgResult() const { return GetWindowLongPtrW(dlg, DWLP_MSGRESULT); }
};

} // namespace

TEST_CASE("XWindow dispatch: the dialog registers on WM_INITDIALOG; what arrives before reaches no handler")
{
    DialogFixture f;
    REQUIRE(f.dlg != nullptr);

    // WM_CREATE would reach OnInitDialog if the object were already known. What follows the
    // initialisation (showing, activation, painting) is not this case's concern.
    const Sequence expected = {
        {WM_CREATE, 0, kAny, "sent", {}},
        {WM_SETFONT, kAny, kAny, "sent", {}},
        {WM_INITDIALOG, V(f.Item(IDOK)), V(&f.rec), "sent", {}},
        H(WM_INITDIALOG, V(f.Item(IDOK)), V(&f.rec), "OnInitDialog"),
    };
    CHECK_SEQUENCE(Sequence(f.log.begin(), f.log.begin() + std::min(f.log.size(), expected.size())), expected);
    CHECK(f.rec.m_hwnd == f.dlg);
    CHECK(f.rec.m_isDialog);
    CHECK(XWindow::FromHandle(f.dlg) == &f.rec);
    CHECK(liveWindows.GetCount() == f.registeredBefore + 1);
    CHECK(f.MsgResult() == 0);
}

TEST_CASE("XWindow dispatch: each message reaches its handler with unpacked arguments; flag, return and message result")
{
    DialogFixture f;
    REQUIRE(f.dlg != nullptr);
    const HWND dlg = f.dlg;
    const HWND ok = f.Item(IDOK);
    const HWND cancel = f.Item(IDCANCEL);
    const HWND owner = f.Item(IDC_WINDOW_OWNERDRAW);
    const HWND text = f.Item(IDC_WINDOW_STATIC);
    HBRUSH brush = GetSysColorBrush(COLOR_INFOBK);
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = IDC_WINDOW_OWNERDRAW;
    draw.hwndItem = owner;
    NMHDR header = {text, IDC_WINDOW_STATIC, NM_CLICK};
    const UINT timerId = f.rec.StartTimer(60000);
    REQUIRE(timerId != 0);
    const long long brushResult = V(brush);

    struct Row {
        int line;
        UINT message;
        long long wParam;
        long long lParam;
        const char* claim;          // handler that claims in this case, or null for the defaults
        Sequence calls;
        long long returned;
        long long msgResult;        // kUntouched when the dispatch must not store one
    };
    const Row rows[] = {
        {__LINE__, WM_MOVE, 0, MAKELPARAM(-20, 30), nullptr, {H(WM_MOVE, 0, MAKELPARAM(-20, 30), "OnMove", {-20, 30})}, 0, 0},
        {__LINE__, WM_MOVE, 0, MAKELPARAM(-20, 30), "OnMove", {H(WM_MOVE, 0, MAKELPARAM(-20, 30), "OnMove", {-20, 30})}, 1, 0},
        {__LINE__, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(0xFFFF, 0x8000), nullptr,
         {H(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(0xFFFF, 0x8000), "OnSize", {65535, 32768, SIZE_MAXIMIZED})}, 0, 0},
        {__LINE__, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), V(ok), nullptr,
         {H(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), V(ok), "OnDeactivate", {V(ok), 1})}, 0, 0},
        {__LINE__, WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 0), V(ok), nullptr,
         {H(WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 0), V(ok), "OnActivate", {V(ok), 0, WA_CLICKACTIVE})}, 0, 0},
        {__LINE__, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0, "OnActivate",
         {H(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0, "OnActivate", {0, 1, WA_ACTIVE})}, 1, 0},
        {__LINE__, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING, nullptr,
         {H(WM_SHOWWINDOW, TRUE, SW_PARENTOPENING, "OnShow", {SW_PARENTOPENING})}, 0, 0},
        {__LINE__, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING, nullptr,
         {H(WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING, "OnHide", {SW_PARENTCLOSING})}, 0, 0},
        {__LINE__, WM_CLOSE, 0, 0, nullptr, {H(WM_CLOSE, 0, 0, "OnClose")}, 0, 0},
        {__LINE__, WM_DESTROY, 0, 0, "OnDestroy", {H(WM_DESTROY, 0, 0, "OnDestroy")}, 1, 0},
        // The item and id come from the structure, not from wParam.
        {__LINE__, WM_DRAWITEM, 0, V(&draw), nullptr,
         {H(WM_DRAWITEM, 0, V(&draw), "OnDrawItem", {V(owner), IDC_WINDOW_OWNERDRAW, V(&draw)})}, 0, 0},
        {__LINE__, WM_NOTIFY, IDC_WINDOW_STATIC, V(&header), nullptr,
         {H(WM_NOTIFY, IDC_WINDOW_STATIC, V(&header), "OnNotify", {V(&header)})}, 0, 0},
        {__LINE__, WM_NOTIFY, IDC_WINDOW_STATIC, V(&header), "OnNotify",
         {H(WM_NOTIFY, IDC_WINDOW_STATIC, V(&header), "OnNotify", {V(&header)})}, 1, 77},
        // From the keyboard lParam is -1: unsigned halves, unlike WM_MOVE.
        {__LINE__, WM_CONTEXTMENU, V(ok), -1, nullptr, {H(WM_CONTEXTMENU, V(ok), -1, "OnContextMenu", {V(ok), 65535, 65535})}, 0, 0},
        {__LINE__, WM_CONTEXTMENU, V(dlg), MAKELPARAM(-2, 700), nullptr,
         {H(WM_CONTEXTMENU, V(dlg), MAKELPARAM(-2, 700), "OnContextMenu", {V(dlg), 65534, 700})}, 0, 0},
        {__LINE__, WM_KEYDOWN, VK_F5, 0x003F0001, nullptr, {H(WM_KEYDOWN, VK_F5, 0x003F0001, "OnKeyDown", {VK_F5, 0x003F0001})}, 0, 0},
        {__LINE__, WM_KEYUP, VK_F5, static_cast<LPARAM>(0xC03F0001u), nullptr,
         {H(WM_KEYUP, VK_F5, static_cast<LPARAM>(0xC03F0001u), "OnKeyUp", {VK_F5, static_cast<LPARAM>(0xC03F0001u)})}, 0, 0},
        {__LINE__, WM_CHAR, 'a', 1, nullptr, {H(WM_CHAR, 'a', 1, "OnChar", {'a'})}, 0, 0},
        {__LINE__, WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(-3, -4), nullptr,
         {H(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(-3, -4), "OnMouseMove", {-3, -4, MK_SHIFT})}, 0, 0},
        {__LINE__, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, -6), nullptr,
         {H(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, -6), "OnMouseDown", {5, -6, WM_LBUTTONDOWN, MK_LBUTTON})}, 0, 0},
        {__LINE__, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(-7, 8), "OnMouseDown",
         {H(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(-7, 8), "OnMouseDown", {-7, 8, WM_RBUTTONDOWN, MK_RBUTTON})}, 1, 0},
        {__LINE__, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(9, 10), nullptr,
         {H(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(9, 10), "OnMouseDown", {9, 10, WM_MBUTTONDOWN, MK_MBUTTON})}, 0, 0},
        {__LINE__, WM_LBUTTONUP, 0, MAKELPARAM(-1, 2), nullptr,
         {H(WM_LBUTTONUP, 0, MAKELPARAM(-1, 2), "OnMouseUp", {-1, 2, WM_LBUTTONUP, 0})}, 0, 0},
        {__LINE__, WM_RBUTTONUP, MK_CONTROL, MAKELPARAM(3, -32768), nullptr,
         {H(WM_RBUTTONUP, MK_CONTROL, MAKELPARAM(3, -32768), "OnMouseUp", {3, -32768, WM_RBUTTONUP, MK_CONTROL})}, 0, 0},
        {__LINE__, WM_MBUTTONUP, 0, MAKELPARAM(32767, 0), nullptr,
         {H(WM_MBUTTONUP, 0, MAKELPARAM(32767, 0), "OnMouseUp", {32767, 0, WM_MBUTTONUP, 0})}, 0, 0},
        {__LINE__, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(-10, 500), nullptr,
         {H(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(-10, 500), "OnMouseWheel",
           {-10, 500, -WHEEL_DELTA, MK_CONTROL})}, 0, 0},
        // No handler serves double-clicks.
        {__LINE__, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4), nullptr, {}, 0, 0},
        // Painting and system commands always go on to default processing.
        {__LINE__, WM_PAINT, 0, 0, "OnPaint", {H(WM_PAINT, 0, 0, "OnPaint")}, 0, 0},
        {__LINE__, WM_SYSCOMMAND, SC_MOVE | 2, 0, "OnSysCommand", {H(WM_SYSCOMMAND, SC_MOVE | 2, 0, "OnSysCommand", {SC_MOVE})}, 0, 0},
        {__LINE__, WM_ERASEBKGND, 0x1234, 0, nullptr, {H(WM_ERASEBKGND, 0x1234, 0, "OnEraseBackground", {0x1234})}, 0, 0},
        {__LINE__, WM_ERASEBKGND, 0x1234, 0, "OnEraseBackground", {H(WM_ERASEBKGND, 0x1234, 0, "OnEraseBackground", {0x1234})}, 1, 1},
        // The colour messages pass neither parameter; a claimed brush is the return value itself.
        {__LINE__, WM_CTLCOLORSTATIC, 0x1234, V(text), nullptr, {H(WM_CTLCOLORSTATIC, 0x1234, V(text), "OnCtlColorStatic")}, 0, 0},
        {__LINE__, WM_CTLCOLORSTATIC, 0x1234, V(text), "OnCtlColorStatic",
         {H(WM_CTLCOLORSTATIC, 0x1234, V(text), "OnCtlColorStatic")}, brushResult, kUntouched},
        {__LINE__, WM_CTLCOLORDLG, 0x1234, V(dlg), nullptr, {H(WM_CTLCOLORDLG, 0x1234, V(dlg), "OnCtlColorDlg")}, 0, 0},
        {__LINE__, WM_CTLCOLORDLG, 0x1234, V(dlg), "OnCtlColorDlg", {H(WM_CTLCOLORDLG, 0x1234, V(dlg), "OnCtlColorDlg")}, brushResult, kUntouched},
        // A timer the window does not know stays handled without a call.
        {__LINE__, WM_TIMER, timerId + 1000, 0, nullptr, {}, 1, 0},
        {__LINE__, WM_TIMER, timerId, 0, nullptr, {H(WM_TIMER, timerId, 0, "OnTimer", {timerId, 0})}, 0, 0},
        // WM_CREATE serves plain windows as WM_INITDIALOG serves dialogs: always handled.
        {__LINE__, WM_CREATE, 0, 0, nullptr, {H(WM_CREATE, 0, 0, "OnInitDialog")}, 1, 0},
        {__LINE__, WM_COMMAND, MAKEWPARAM(IDOK, 0), V(ok), nullptr,
         {H(WM_COMMAND, MAKEWPARAM(IDOK, 0), V(ok), "OnOK"), H(WM_COMMAND, MAKEWPARAM(IDOK, 0), V(ok), "OnCommand", {IDOK, V(ok), 0})}, 1, 0},
        // An accelerator (code 1) and a control notification reach OnCommand alone.
        {__LINE__, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0, nullptr, {H(WM_COMMAND, MAKEWPARAM(IDOK, 1), 0, "OnCommand", {IDOK, 0, 1})}, 1, 0},
        {__LINE__, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_SETFOCUS), V(cancel), nullptr,
         {H(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_SETFOCUS), V(cancel), "OnCommand", {IDCANCEL, V(cancel), BN_SETFOCUS})}, 1, 0},
        {__LINE__, WM_COMMAND, MAKEWPARAM(10, 0), 0, nullptr, {H(WM_COMMAND, 10, 0, "OnCommand", {10, 0, 0})}, 1, 0},
    };

    for (const Row& row : rows) {
        CAPTURE(row.line);
        f.log.clear();
        f.rec.claims.clear();
        if (row.claim)
            f.rec.claims.insert(row.claim);
        f.rec.notifyResult = 77;
        f.rec.brush = brush;
        SetWindowLongPtrW(dlg, DWLP_MSGRESULT, kUntouched);
        const INT_PTR returned = XWindow::DialogProc(dlg, row.message, static_cast<WPARAM>(row.wParam), static_cast<LPARAM>(row.lParam));
        calllog::CheckSequence(f.log, row.calls, __FILE__, row.line);
        CHECK(V(returned) == row.returned);
        CHECK(V(f.MsgResult()) == row.msgResult);
        // The dialog procedure returns the flag, except for a claimed brush.
        CHECK(f.rec.m_handled == (row.returned != 0 ? 1 : 0));
    }

    // Every id from IDOK to IDHELP with code 0 reaches its own handler first, then OnCommand.
    const char* const idHandlers[] = {"OnOK", "OnCancel", "OnAbort", "OnRetry", "OnIgnore",
                                      "OnYes", "OnNo", "OnCloseButton", "OnHelp"};
    f.rec.claims.clear();
    for (UINT id = 1; id <= 9; ++id) {
        CAPTURE(id);
        f.log.clear();
        SetWindowLongPtrW(dlg, DWLP_MSGRESULT, kUntouched);
        CHECK(XWindow::DialogProc(dlg, WM_COMMAND, MAKEWPARAM(id, 0), V(ok)) == TRUE);
        const Sequence expected = {H(WM_COMMAND, id, V(ok), idHandlers[id - 1]),
                                   H(WM_COMMAND, id, V(ok), "OnCommand", {id, V(ok), 0})};
        CHECK_SEQUENCE(f.log, expected);
        CHECK(f.MsgResult() == 0);
    }
    f.rec.StopAllTimers();
}

TEST_CASE("XWindow dispatch: real messages through the dialog manager")
{
    DialogFixture f;
    REQUIRE(f.dlg != nullptr);
    const HWND dlg = f.dlg;
    const HWND ok = f.Item(IDOK);
    const HWND cancel = f.Item(IDCANCEL);
    const HWND owner = f.Item(IDC_WINDOW_OWNERDRAW);
    PumpMessages(100);

    SUBCASE("a claimed WM_NOTIFY result travels in DWLP_MSGRESULT to the sender")
    {
        NMHDR header = {owner, IDC_WINDOW_OWNERDRAW, NM_CLICK};
        CHECK(SendMessageW(dlg, WM_NOTIFY, IDC_WINDOW_OWNERDRAW, V(&header)) == 0);
        f.rec.claims = {"OnNotify"};
        f.rec.notifyResult = 77;
        CHECK(SendMessageW(dlg, WM_NOTIFY, IDC_WINDOW_OWNERDRAW, V(&header)) == 77);
    }
    SUBCASE("claimed colour and erase messages return the brush and 1")
    {
        HBRUSH brush = GetSysColorBrush(COLOR_INFOBK);
        HDC dc = GetDC(dlg);
        f.rec.brush = brush;
        f.rec.claims = {"OnCtlColorStatic", "OnCtlColorDlg", "OnEraseBackground"};
        CHECK(SendMessageW(dlg, WM_CTLCOLORSTATIC, V(dc), V(f.Item(IDC_WINDOW_STATIC))) == V(brush));
        CHECK(SendMessageW(dlg, WM_CTLCOLORDLG, V(dc), V(dlg)) == V(brush));
        CHECK(SendMessageW(dlg, WM_ERASEBKGND, V(dc), 0) == 1);
        ReleaseDC(dlg, dc);
    }
    SUBCASE("SC_CLOSE goes on to default processing: WM_CLOSE, then the dialog manager's IDCANCEL")
    {
        f.log.clear();
        SendMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpMessages(100);
        const Sequence expected = {
            H(WM_SYSCOMMAND, SC_CLOSE, 0, "OnSysCommand", {SC_CLOSE}),
            H(WM_CLOSE, 0, 0, "OnClose"),
            H(WM_COMMAND, IDCANCEL, V(cancel), "OnCancel"),
            H(WM_COMMAND, IDCANCEL, V(cancel), "OnCommand", {IDCANCEL, V(cancel), 0}),
        };
        CHECK_SEQUENCE(calllog::Only(f.log, {"OnSysCommand", "OnClose", "OnCancel", "OnCommand"}), expected);
    }
    SUBCASE("a button click reaches OnOK, then OnCommand")
    {
        f.log.clear();
        SendMessageW(ok, BM_CLICK, 0, 0);
        PumpMessages(50);
        const Sequence expected = {
            H(WM_COMMAND, IDOK, V(ok), "OnOK"),
            H(WM_COMMAND, IDOK, V(ok), "OnCommand", {IDOK, V(ok), BN_CLICKED}),
        };
        CHECK_SEQUENCE(calllog::Only(f.log, {"OnOK", "OnCommand"}), expected);
    }
    SUBCASE("a claimed WM_PAINT still reaches default painting, which validates the window")
    {
        f.rec.claims = {"OnPaint"};
        InvalidateRect(dlg, nullptr, TRUE);
        f.log.clear();
        UpdateWindow(dlg);
        CHECK(calllog::Only(f.log, {"OnPaint"}).size() == 1);
        CHECK_FALSE(GetUpdateRect(dlg, nullptr, FALSE));
    }
    SUBCASE("an owner-drawn button's painting sends WM_DRAWITEM with its item and id")
    {
        f.log.clear();
        RedrawWindow(owner, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        const Sequence calls = calllog::Only(f.log, {"OnDrawItem"});
        REQUIRE_FALSE(calls.empty());
        const Sequence expected = {H(WM_DRAWITEM, IDC_WINDOW_OWNERDRAW, kAny, "OnDrawItem", {V(owner), IDC_WINDOW_OWNERDRAW, kAny})};
        CHECK_SEQUENCE(Sequence(calls.begin(), calls.begin() + 1), expected);
        CHECK(calls[0].args[2] == calls[0].lParam);
    }
    SUBCASE("moving the dialog left of the screen gives OnMove a negative x")
    {
        RECT rect;
        GetWindowRect(dlg, &rect);
        f.log.clear();
        SetWindowPos(dlg, nullptr, -300, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        POINT origin = {0, 0};
        ClientToScreen(dlg, &origin);
        CHECK(origin.x < 0);
        const Sequence expected = {H(WM_MOVE, 0, MAKELPARAM(origin.x, origin.y), "OnMove", {origin.x, origin.y})};
        CHECK_SEQUENCE(calllog::Only(f.log, {"OnMove"}), expected);
    }
}

TEST_CASE("XWindow dispatch: WM_INITDIALOG returns TRUE even when OnInitDialog asks for default; two objects under one handle")
{
    DialogFixture f;
    REQUIRE(f.dlg != nullptr);
    Sequence secondLog;
    Recorder second(&secondLog);

    // A second WM_INITDIALOG registers `second` under the same handle behind the first object.
    f.log.clear();
    CHECK(SendMessageW(f.dlg, WM_INITDIALOG, 0, V(&second)) == TRUE);
    CHECK(f.MsgResult() == 0);
    const Sequence expected = {H(WM_INITDIALOG, 0, V(&second), "OnInitDialog")};
    CHECK_SEQUENCE(f.log, expected);
    CHECK(secondLog.empty());
    CHECK(liveWindows.GetCount() == f.registeredBefore + 2);
    CHECK(XWindow::FromHandle(f.dlg) == &f.rec);

    // Removing the first lets the lookup reach the second.
    f.rec.Destroy();
    CHECK(XWindow::FromHandle(f.dlg) == &second);
    XWindow::DialogProc(f.dlg, WM_CLOSE, 0, 0);
    CHECK_SEQUENCE(secondLog, Sequence{H(WM_CLOSE, 0, 0, "OnClose")});
    second.Destroy();
    CHECK(XWindow::FromHandle(f.dlg) == nullptr);
    CHECK(liveWindows.GetCount() == f.registeredBefore);
}

TEST_CASE("XWindow dispatch: PreDispatch takes a message over before any handler")
{
    DialogFixture f;
    REQUIRE(f.dlg != nullptr);
    f.rec.preClaimMessage = WM_KEYDOWN;
    f.rec.preResult = 55;
    f.log.clear();
    SetWindowLongPtrW(f.dlg, DWLP_MSGRESULT, kUntouched);
    CHECK(XWindow::DialogProc(f.dlg, WM_KEYDOWN, VK_F5, 1) == 1);
    CHECK(f.MsgResult() == 55);
    CHECK_SEQUENCE(f.log, Sequence{H(WM_KEYDOWN, VK_F5, 1, "PreDispatch", {V(f.dlg)})});

    // Even a colour message: the pre-dispatch result is a message result, not a brush.
    f.rec.preClaimMessage = WM_CTLCOLORSTATIC;
    f.rec.brush = GetSysColorBrush(COLOR_INFOBK);
    f.rec.claims = {"OnCtlColorStatic"};
    f.log.clear();
    CHECK(XWindow::DialogProc(f.dlg, WM_CTLCOLORSTATIC, 0, 0) == 1);
    CHECK(f.MsgResult() == 55);
    CHECK(calllog::Only(f.log, {"OnCtlColorStatic"}).empty());
}

TEST_CASE("XWindow dispatch: without an object or a handle a message gets 0 and reaches nothing")
{
    Sequence log;
    Recorder rec(&log);
    const int registered = liveWindows.GetCount();

    SUBCASE("a dialog created without an object: its WM_INITDIALOG carries no address")
    {
        HWND dlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_WINDOW_DISPATCH), nullptr,
                                      &XWindow::DialogProc, 0);
        REQUIRE(dlg != nullptr);
        CHECK(liveWindows.GetCount() == registered);
        CHECK(XWindow::DialogProc(dlg, WM_SETFONT, 0, 0) == 0);
        CHECK(XWindow::DialogProc(dlg, WM_COMMAND, IDOK, 0) == 0);
        CHECK(XWindow::DialogProc(dlg, WM_INITDIALOG, 0, 0) == 0);
        CHECK(liveWindows.GetCount() == registered);
        DestroyWindow(dlg);
    }
    SUBCASE("Dispatch on an object that has no handle")
    {
        CHECK(rec.Dispatch(GetDesktopWindow(), WM_CLOSE, 0, 0) == 0);
        CHECK(rec.m_handled == 0);
        CHECK(log.empty());
    }
    SUBCASE("Destroy on a fresh object leaves it and the registry as they were, twice over")
    {
        rec.Destroy();
        rec.Destroy();
        CHECK(rec.m_hwnd == nullptr);
        CHECK(liveWindows.GetCount() == registered);
        CHECK(log.empty());
    }
}

TEST_CASE("XWindow dispatch: Destroy hides and destroys the dialog, leaves the registry, and may run again")
{
    DialogFixture f;
    REQUIRE(f.dlg != nullptr);
    const HWND dlg = f.dlg;
    const UINT timer = f.rec.StartTimer(60000);
    CHECK(timer != 0);
    f.log.clear();

    f.rec.Destroy();
    const Sequence expected = {H(WM_SHOWWINDOW, FALSE, 0, "OnHide", {0}), H(WM_DESTROY, 0, 0, "OnDestroy")};
    CHECK_SEQUENCE(calllog::Only(f.log, {"OnHide", "OnDestroy"}), expected);
    CHECK_FALSE(IsWindow(dlg));
    CHECK(f.rec.m_hwnd == nullptr);
    CHECK(f.rec.m_timers.GetCount() == 0);
    CHECK(XWindow::FromHandle(dlg) == nullptr);
    CHECK(liveWindows.GetCount() == f.registeredBefore);

    // Messages for the old handle find no object.
    f.log.clear();
    CHECK(XWindow::DialogProc(dlg, WM_COMMAND, IDOK, 0) == 0);
    CHECK(XWindow::DialogProc(dlg, WM_CLOSE, 0, 0) == 0);
    CHECK(f.log.empty());

    f.rec.Destroy();
    CHECK(f.rec.m_hwnd == nullptr);
    CHECK(liveWindows.GetCount() == f.registeredBefore);
    CHECK(f.log.empty());
}

namespace {

// A window procedure for plain windows: registers the object that CreateWindowExW carries on
// WM_NCCREATE, then hands every message of a known handle to Dispatch.
LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (create->lpCreateParams)
            static_cast<XWindow*>(create->lpCreateParams)->Register(hwnd, false);
    }
    if (XWindow* window = XWindow::FromHandle(hwnd))
        return window->Dispatch(hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t kPlainClass[] = L"XTestPlainWindow";

struct PlainFixture {
    Sequence log;
    Recorder rec{&log};
    HWND hwnd = nullptr;
    int registeredBefore = liveWindows.GetCount();

    PlainFixture()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &PlainWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        wc.lpszClassName = kPlainClass;
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, kPlainClass, L"Plain", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
                               100, 100, 300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), &rec);
    }
    ~PlainFixture() { rec.Destroy(); }
};

} // namespace

TEST_CASE("XWindow dispatch: a plain window gets results directly and DefWindowProcW for what it leaves")
{
    PlainFixture f;
    REQUIRE(f.hwnd != nullptr);
    const HWND hwnd = f.hwnd;
    CHECK(f.rec.m_hwnd == hwnd);
    CHECK_FALSE(f.rec.m_isDialog);
    // WM_CREATE reached OnInitDialog and returned 0, so the creation went on.
    CHECK_SEQUENCE(calllog::Only(f.log, {"OnInitDialog"}), Sequence{H(WM_CREATE, 0, kAny, "OnInitDialog")});
    PumpMessages(50);

    SUBCASE("a message no handler serves gets DefWindowProcW's answer")
    {
        f.log.clear();
        CHECK(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0) == 5);
        CHECK(f.rec.m_handled == 0);
        CHECK(SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3)) == 0);
        CHECK(f.log.empty());
    }
    SUBCASE("PreDispatch's value replaces the default answer")
    {
        f.rec.preClaimMessage = WM_GETTEXTLENGTH;
        f.rec.preResult = 0x1234;
        CHECK(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0) == 0x1234);
    }
    SUBCASE("claimed handlers' results come back as the window procedure's value")
    {
        NMHDR header = {hwnd, 7, NM_CLICK};
        f.rec.notifyResult = 77;
        f.rec.brush = GetSysColorBrush(COLOR_INFOBK);
        HDC dc = GetDC(hwnd);
        // Unclaimed, DefWindowProcW answers: no notification result, a system brush.
        CHECK(SendMessageW(hwnd, WM_NOTIFY, 7, V(&header)) == 0);
        const LRESULT defaultBrush = SendMessageW(hwnd, WM_CTLCOLORSTATIC, V(dc), V(hwnd));
        CHECK(defaultBrush != 0);
        CHECK(defaultBrush != V(f.rec.brush));
        f.rec.claims = {"OnNotify", "OnCtlColorStatic", "OnEraseBackground"};
        CHECK(SendMessageW(hwnd, WM_NOTIFY, 7, V(&header)) == 77);
        CHECK(SendMessageW(hwnd, WM_CTLCOLORSTATIC, V(dc), V(hwnd)) == V(f.rec.brush));
        CHECK(SendMessageW(hwnd, WM_ERASEBKGND, V(dc), 0) == 1);
        ReleaseDC(hwnd, dc);
    }
    SUBCASE("a claimed WM_PAINT still reaches DefWindowProcW, which validates the window")
    {
        f.rec.claims = {"OnPaint"};
        InvalidateRect(hwnd, nullptr, TRUE);
        f.log.clear();
        UpdateWindow(hwnd);
        CHECK(calllog::Only(f.log, {"OnPaint"}).size() == 1);
        CHECK_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    }
    SUBCASE("SC_CLOSE reaches DefWindowProcW: WM_CLOSE, left to default, destroys the window")
    {
        f.log.clear();
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        const Sequence expected = {
            H(WM_SYSCOMMAND, SC_CLOSE, 0, "OnSysCommand", {SC_CLOSE}),
            H(WM_CLOSE, 0, 0, "OnClose"),
            H(WM_DESTROY, 0, 0, "OnDestroy"),
        };
        CHECK_SEQUENCE(calllog::Only(f.log, {"OnSysCommand", "OnClose", "OnDestroy"}), expected);
        CHECK_FALSE(IsWindow(hwnd));
    }
    SUBCASE("Destroy destroys the window, leaves the registry and unregisters the window's own class")
    {
        f.rec.m_className = kPlainClass;
        f.rec.Destroy();
        CHECK_FALSE(IsWindow(hwnd));
        CHECK(liveWindows.GetCount() == f.registeredBefore);
        CHECK(f.rec.m_className.IsEmpty());
        WNDCLASSW wc;
        CHECK_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), kPlainClass, &wc));
    }
}
