#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

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
    struct PageDescription {
        int templateId;
        DLGPROC procedure;
    };
    const std::array<PageDescription, 5> descriptions{{
        {IDD_DESCRIPTION, DescriptionPageProc},
        {IDD_SORT, SortPageProc},
        {IDD_JUDGMENT, JudgmentPageProc},
        {IDD_DESTINATION, DestinationPageProc},
        {IDD_OTHER, OtherPageProc},
    }};
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
