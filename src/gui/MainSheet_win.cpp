#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>

#include "gui/App_win.h"
#include "gui/PageRules.h"
#include "settings/Settings.h"
#include "platform/Text.h"
#include "platform/WideText_win.h"
#include "res/resource.h"
#include "gui/SortRun_win.h"

HINSTANCE InstanceHandle = nullptr;
std::atomic<HWND> MainSheetWindow{nullptr};
bool AboutBoxOpen = false;
UserPrompt SheetPrompt;

namespace {

// The sheet's Apply button, which the flags keep hidden.
constexpr int kApplyButton = 0x3021;

struct PageDescription {
    int templateId;
    DLGPROC procedure;
};
const std::array<PageDescription, 5> kPages{{
    {IDD_DESCRIPTION, DescriptionPageProc},
    {IDD_SORT, SortPageProc},
    {IDD_JUDGMENT, JudgmentPageProc},
    {IDD_DESTINATION, DestinationPageProc},
    {IDD_OTHER, OtherPageProc},
}};

INT_PTR CALLBACK MeasuringProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The size of the largest page as the dialog manager makes it, in the page's own font: each
// page made once, hidden, with a procedure that does nothing.
SIZE LargestPageSize(HWND sheet) {
    SIZE largest{0, 0};
    for (const PageDescription& page : kPages) {
        const HWND made = CreateDialogParamW(InstanceHandle, MAKEINTRESOURCEW(page.templateId), sheet, MeasuringProc, 0);
        if (made == nullptr) continue;
        RECT client;
        GetClientRect(made, &client);
        DestroyWindow(made);
        largest.cx = std::max(largest.cx, client.right);
        largest.cy = std::max(largest.cy, client.bottom);
    }
    return largest;
}

// The sheet makes its page area as large as the pages' dialog units in the font it measures
// them with. Windows takes the pages' own font; Wine takes the frame's, smaller than the pages'
// 10 points, so pages came out cut off at the right and the bottom. Grow the tab control and
// the sheet by what the largest page lacks; where the area is large enough, nothing changes.
void FitSheetToPages(HWND sheet) {
    const auto tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    if (tab == nullptr) return;
    RECT area;
    GetClientRect(tab, &area);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    const SIZE page = LargestPageSize(sheet);
    const int wider = std::max(0L, page.cx - (area.right - area.left));
    const int taller = std::max(0L, page.cy - (area.bottom - area.top));
    if (wider == 0 && taller == 0) return;
    const auto grow = [](HWND window, int dx, int dy) {
        RECT rect;
        GetWindowRect(window, &rect);
        SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left + dx, rect.bottom - rect.top + dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    grow(tab, wider, taller);
    grow(sheet, wider, taller);
    // The buttons below the tabs keep their place at the bottom right, hidden or not.
    for (const int id : {IDOK, IDCANCEL, IDHELP, kApplyButton}) {
        const HWND button = GetDlgItem(sheet, id);
        if (button == nullptr) continue;
        RECT rect;
        GetWindowRect(button, &rect);
        MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&rect), 2);
        SetWindowPos(button, nullptr, rect.left + wider, rect.top + taller, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

INT_PTR OnOtherPageCommand(int id) {
    switch (id) {
    case IDC_RESET:
        ResetFromSheet(SheetPrompt);
        return TRUE;
    case IDC_OPEN_README:
        OpenReadme();
        return TRUE;
    case IDC_ABOUT:
        // A click that reaches us while the box is up must not open a second one.
        if (AboutBoxOpen) return TRUE;
        AboutBoxOpen = true;
        DialogBoxParamW(InstanceHandle, MAKEINTRESOURCEW(IDD_ABOUT), MainSheetWindow.load(), AboutBoxProc, 0);
        AboutBoxOpen = false;
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int ShowMessage(const std::string& text, UINT type) {
    return MessageBoxW(MainSheetWindow.load(), platform::Widen(text).c_str(), L"Pallidor", type);
}

int RunApplication(HINSTANCE instance) {
    InstanceHandle = instance;
    SheetPrompt.ShowError = [](const std::string& text) { ShowMessage(text, MB_OK | MB_ICONERROR); };
    SheetPrompt.AskYesNo = [](const std::string& text) {
        return ShowMessage(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
    };
    LoadSettings();
    // The run's locks are static objects of the portable core: they exist before the sheet and
    // outlive any thread a run may leave behind, so there is nothing to create or delete here.
    InitCommonControls();
    RunMainSheet();
    MainSheetWindow = nullptr;
    SaveSettings(SheetPrompt);
    return 0;
}

void RunMainSheet() {
    const auto& descriptions = kPages;
    std::array<HPROPSHEETPAGE, 5> pages{};
    for (std::size_t index = 0; index < pages.size(); ++index) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.hInstance = InstanceHandle;
        page.pszTemplate = MAKEINTRESOURCEW(descriptions[index].templateId);
        page.pfnDlgProc = descriptions[index].procedure;
        page.lParam = static_cast<LPARAM>(index);
        pages[index] = CreatePropertySheetPageW(&page);
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_USEICONID | PSH_NOAPPLYNOW | PSH_USECALLBACK | PSH_NOCONTEXTHELP;
    header.hInstance = InstanceHandle;
    header.pszIcon = MAKEINTRESOURCEW(IDI_APP);
    header.pszCaption = L"Pallidor";
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = 0;
    header.phpage = pages.data();
    header.pfnCallback = MainSheetCallback;
    PropertySheetW(&header);
}

int CALLBACK MainSheetCallback(HWND sheet, UINT message, LPARAM) {
    if (message != PSCB_INITIALIZED) return 0;
    MainSheetWindow = sheet;
    // No OK, Cancel or Help: every edit is stored at once, and the close box ends the program.
    for (const int id : {IDOK, IDCANCEL, IDHELP}) ShowWindow(GetDlgItem(sheet, id), SW_HIDE);
    // Before the first page is made, which takes its place from the tab control.
    FitSheetToPages(sheet);
    return 0;
}

INT_PTR CALLBACK DescriptionPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        DragAcceptFiles(hwnd, TRUE);
        return TRUE;
    case WM_DROPFILES:
        return StartSortRun(reinterpret_cast<HDROP>(wp));
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK OtherPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        DragAcceptFiles(hwnd, TRUE);
        return TRUE;
    case WM_DROPFILES:
        return StartSortRun(reinterpret_cast<HDROP>(wp));
    case WM_COMMAND:
        return OnOtherPageCommand(LOWORD(wp));
    default:
        return FALSE;
    }
}

void OpenReadme() {
    const std::filesystem::path readme = ModuleFolder / "Readme.txt";
    ShellExecuteW(MainSheetWindow.load(), L"open", readme.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
