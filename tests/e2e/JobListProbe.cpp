// JobListProbe reads and changes the job list of a running JobDialog.exe from another process,
// for the end-to-end checks. List messages that carry pointers need those pointers to be valid
// in the list's own process, so their structures and texts are placed in a block of that
// process's memory (the probe and the program are both 64-bit, so the layouts agree).
//
//   JobListProbe find                 waits up to 30 s for the dialog and its list
//   JobListProbe dump                 columns, then rows with check state, selection, data, texts
//   JobListProbe band <row> <dx>      screen point dx pixels right of column 0's left edge, on
//                                     the row's vertical middle
//   JobListProbe button <id>          screen point in the middle of the dialog's control <id>
//   JobListProbe add <count>          appends rows "c:\Extra<n>.bin"
//   JobListProbe select <row>...      makes exactly these rows the selected ones
//
// Exit code 0 on success, 1 when the dialog is not there or a step fails.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "app/resource.h"

namespace {

struct Found {
    HWND dialog = nullptr;
    HWND list = nullptr;
};

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM param)
{
    wchar_t className[16] = {};
    wchar_t caption[16] = {};
    GetClassNameW(hwnd, className, 16);
    GetWindowTextW(hwnd, caption, 16);
    if (!IsWindowVisible(hwnd) || std::wcscmp(className, L"#32770") != 0 || std::wcscmp(caption, L"Dialog") != 0)
        return TRUE;
    HWND list = GetDlgItem(hwnd, IDC_JOB_LIST);
    wchar_t listClass[32] = {};
    GetClassNameW(list, listClass, 32);
    if (!list || _wcsicmp(listClass, L"SysListView32") != 0)
        return TRUE;
    Found* found = reinterpret_cast<Found*>(param);
    found->dialog = hwnd;
    found->list = list;
    return FALSE;
}

Found FindDialog()
{
    Found found;
    EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A block of memory in the list's process, freed with the object.
class RemoteBlock {
public:
    static const SIZE_T kSize = 4096;
    static const SIZE_T kTextOffset = 1024;     // where texts go; structures start at 0
    static const int kTextChars = 256;

    explicit RemoteBlock(HWND window)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process)
            m_base = static_cast<BYTE*>(VirtualAllocEx(m_process, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteBlock()
    {
        if (m_base)
            VirtualFreeEx(m_process, m_base, 0, MEM_RELEASE);
        if (m_process)
            CloseHandle(m_process);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool Ok() const { return m_base != nullptr; }
    BYTE* At(SIZE_T offset) const { return m_base + offset; }
    wchar_t* Text() const { return reinterpret_cast<wchar_t*>(m_base + kTextOffset); }

    bool Write(SIZE_T offset, const void* data, SIZE_T size) const
    {
        SIZE_T done = 0;
        return WriteProcessMemory(m_process, m_base + offset, data, size, &done) && done == size;
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const
    {
        SIZE_T done = 0;
        return ReadProcessMemory(m_process, m_base + offset, data, size, &done) && done == size;
    }
    std::wstring ReadText() const
    {
        wchar_t text[kTextChars] = {};
        Read(kTextOffset, text, sizeof(text) - sizeof(wchar_t));
        return text;
    }

private:
    HANDLE m_process = nullptr;
    BYTE* m_base = nullptr;
};

void PrintLine(const std::wstring& line)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &utf8[0], size, nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

std::wstring ItemText(HWND list, const RemoteBlock& remote, int row, int sub)
{
    LVITEMW item = {};
    item.iSubItem = sub;
    item.pszText = remote.Text();
    item.cchTextMax = RemoteBlock::kTextChars;
    const wchar_t none = 0;
    remote.Write(RemoteBlock::kTextOffset, &none, sizeof(none));
    remote.Write(0, &item, sizeof(item));
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.At(0)));
    return remote.ReadText();
}

bool Dump(const Found& found)
{
    RemoteBlock remote(found.list);
    if (!remote.Ok())
        return false;
    HWND header = reinterpret_cast<HWND>(SendMessageW(found.list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    PrintLine(L"columns " + std::to_wstring(columns));
    for (int i = 0; i < columns; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.pszText = remote.Text();
        column.cchTextMax = RemoteBlock::kTextChars;
        remote.Write(0, &column, sizeof(column));
        SendMessageW(found.list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(remote.At(0)));
        remote.Read(0, &column, sizeof(column));
        PrintLine(L"column " + std::to_wstring(i) + L" fmt " + std::to_wstring(column.fmt & LVCFMT_JUSTIFYMASK) + L" width "
                  + std::to_wstring(column.cx) + L" " + remote.ReadText());
    }
    const int rows = static_cast<int>(SendMessageW(found.list, LVM_GETITEMCOUNT, 0, 0));
    PrintLine(L"rows " + std::to_wstring(rows));
    for (int row = 0; row < rows; ++row) {
        const UINT state = static_cast<UINT>(SendMessageW(found.list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK | LVIS_SELECTED));
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        item.lParam = -1;
        remote.Write(0, &item, sizeof(item));
        SendMessageW(found.list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.At(0)));
        remote.Read(0, &item, sizeof(item));
        wchar_t check[16];
        std::swprintf(check, 16, L"0x%04x", state & LVIS_STATEIMAGEMASK);
        std::wstring line = L"row " + std::to_wstring(row) + L" state " + check + L" selected "
                            + ((state & LVIS_SELECTED) ? L"1" : L"0") + L" data " + std::to_wstring(item.lParam) + L" ";
        for (int sub = 0; sub < columns; ++sub)
            line += (sub ? L"|" : L"") + ItemText(found.list, remote, row, sub);
        PrintLine(line);
    }
    return true;
}

void PrintPoint(HWND window, POINT client)
{
    ClientToScreen(window, &client);
    PrintLine(std::to_wstring(client.x) + L" " + std::to_wstring(client.y));
}

// Column 0's left edge as the band computes it: the columns displayed before it plus the row's
// horizontal scroll offset; dx to the right of it, on the row's vertical middle.
bool Band(const Found& found, int row, int dx)
{
    RemoteBlock remote(found.list);
    if (!remote.Ok())
        return false;
    HWND header = reinterpret_cast<HWND>(SendMessageW(found.list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    std::vector<int> order(columns > 0 ? columns : 1);
    if (!SendMessageW(found.list, LVM_GETCOLUMNORDERARRAY, columns, reinterpret_cast<LPARAM>(remote.At(0))))
        return false;
    remote.Read(0, order.data(), order.size() * sizeof(int));
    int left = 0;
    for (int i = 0; i < columns && order[i] != 0; ++i)
        left += static_cast<int>(SendMessageW(found.list, LVM_GETCOLUMNWIDTH, order[i], 0));
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    remote.Write(0, &bounds, sizeof(bounds));
    if (!SendMessageW(found.list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote.At(0))))
        return false;
    remote.Read(0, &bounds, sizeof(bounds));
    RECT first = {};
    first.left = LVIR_BOUNDS;
    remote.Write(0, &first, sizeof(first));
    SendMessageW(found.list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(remote.At(0)));
    remote.Read(0, &first, sizeof(first));
    left += first.left;
    PrintPoint(found.list, POINT{left + dx, (bounds.top + bounds.bottom) / 2});
    return true;
}

bool Button(const Found& found, int id)
{
    HWND control = GetDlgItem(found.dialog, id);
    if (!control)
        return false;
    RECT rect = {};
    GetClientRect(control, &rect);
    PrintPoint(control, POINT{rect.right / 2, rect.bottom / 2});
    return true;
}

bool Add(const Found& found, int count)
{
    RemoteBlock remote(found.list);
    if (!remote.Ok())
        return false;
    for (int i = 0; i < count; ++i) {
        const int row = static_cast<int>(SendMessageW(found.list, LVM_GETITEMCOUNT, 0, 0));
        const std::wstring text = L"c:\\Extra" + std::to_wstring(row) + L".bin";
        remote.Write(RemoteBlock::kTextOffset, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = remote.Text();
        remote.Write(0, &item, sizeof(item));
        if (SendMessageW(found.list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(remote.At(0))) != row)
            return false;
    }
    return true;
}

bool SetState(HWND list, const RemoteBlock& remote, int row, UINT state, UINT mask)
{
    LVITEMW item = {};
    item.state = state;
    item.stateMask = mask;
    remote.Write(0, &item, sizeof(item));
    return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(static_cast<INT_PTR>(row)), reinterpret_cast<LPARAM>(remote.At(0))) != 0;
}

bool Select(const Found& found, const std::vector<int>& rows)
{
    RemoteBlock remote(found.list);
    if (!remote.Ok() || !SetState(found.list, remote, -1, 0, LVIS_SELECTED))
        return false;
    for (int row : rows)
        if (!SetState(found.list, remote, row, LVIS_SELECTED, LVIS_SELECTED))
            return false;
    return true;
}

int Run(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 1;
    const std::wstring command = argv[1];
    Found found = FindDialog();
    if (command == L"find") {
        for (int i = 0; i < 300 && !found.list; ++i) {
            Sleep(100);
            found = FindDialog();
        }
        return found.list ? 0 : 1;
    }
    if (!found.list)
        return 1;
    bool ok = false;
    if (command == L"dump")
        ok = Dump(found);
    else if (command == L"band" && argc == 4)
        ok = Band(found, _wtoi(argv[2]), _wtoi(argv[3]));
    else if (command == L"button" && argc == 3)
        ok = Button(found, _wtoi(argv[2]));
    else if (command == L"add" && argc == 3)
        ok = Add(found, _wtoi(argv[2]));
    else if (command == L"select") {
        std::vector<int> rows;
        for (int i = 2; i < argc; ++i)
            rows.push_back(_wtoi(argv[i]));
        ok = Select(found, rows);
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Run(argc, argv);
}
