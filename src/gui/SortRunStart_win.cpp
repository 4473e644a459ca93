#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gui/App_win.h"
#include "platform/Thread.h"
#include "gui/ProgressDialog_win.h"
#include "sort/SortHost.h"
#include "sort/SortRun.h"
#include "sort/SortRunDriver.h"
#include "gui/SortRun_win.h"

RunSeams WindowRunSeams = RealRunSeams();

namespace {

constexpr int kWaitSteps = 100;  // of 100 ms: ten seconds

// The drop's items in order, and the handle released: past this point a run works on paths.
std::vector<std::filesystem::path> TakeDroppedPaths(HDROP drop) {
    std::vector<std::filesystem::path> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        const UINT length = DragQueryFileW(drop, index, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, index, path.data(), length + 1);
        path.resize(length);
        paths.emplace_back(path);
    }
    DragFinish(drop);
    return paths;
}

// What the portable driver shows goes to message boxes owned by the sheet, the progress dialog
// and the taskbar button.
SortHost WindowHost() {
    SortHost host;
    host.ShowError = [](const std::string& text) { ShowMessage(text, MB_OK | MB_ICONERROR); };
    host.AskYesNo = [](const std::string& text) { return ShowMessage(text, MB_YESNO | MB_ICONQUESTION) == IDYES; };
    host.BeginProgress = [](std::int32_t total) {
        SendMessageW(ProgressBar, PBM_SETRANGE32, 0, total);
        BeginTaskbarProgress();
    };
    host.ShowProgress = ShowProgress;
    // A closed dialog leaves a dead handle; the message then goes nowhere, as it should.
    host.StepProgress = [] { SendMessageW(ProgressBar, PBM_STEPIT, 0, 0); };
    host.EndProgress = [](std::int32_t, std::int32_t) { EndTaskbarProgress(); };
    return host;
}

}  // namespace

BOOL StartSortRun(HDROP drop) {
    if (RunBusy || !PrepareSortRun()) {
        DragFinish(drop);
        return TRUE;
    }
    std::vector<std::filesystem::path> dropped = TakeDroppedPaths(drop);
    // The settings as they are now, saved by PrepareSortRun: a page changed during the run
    // changes the next one.
    RunContext context = MakeRunContext(Settings, ModuleFolder, WindowRunSeams);
    const bool started = platform::StartDetachedThread([dropped = std::move(dropped), context = std::move(context)] {
        SortRunDriver(context, dropped, WindowHost());
        FinishSortRun();
    });
    if (!started) {
        ShowMessage("スレッドの作成に失敗しました。", MB_OK | MB_ICONERROR);
        FinishSortRun();
    }
    return TRUE;
}

bool PrepareSortRun() {
    if (!BeginSortRun(SheetPrompt)) return false;
    if (!StartProgressDialog()) {
        ShowMessage("スレッドの作成に失敗しました。", MB_OK | MB_ICONERROR);
        EndSortRun();
        return false;
    }
    for (int step = 0; step < kWaitSteps && ProgressWindow.load() == nullptr; ++step) Sleep(100);
    if (ProgressWindow.load() == nullptr) {
        AbandonProgressDialog();
        ShowMessage("進捗ダイアログの作成に失敗しました。", MB_OK | MB_ICONERROR);
        EndSortRun();
        return false;
    }
    const HWND sheet = MainSheetWindow.load();
    EnableWindow(sheet, FALSE);
    SetWindowTextW(sheet, L"処理中 - Pallidor");
    return true;
}

void FinishSortRun() {
    const HWND progress = ProgressWindow.load();
    if (progress != nullptr) PostMessageW(progress, WM_CLOSE, 0, 0);
    for (int step = 0; step < kWaitSteps && ProgressWindow.load() != nullptr; ++step) Sleep(100);
    const HWND sheet = MainSheetWindow.load();
    SetWindowTextW(sheet, L"Pallidor");
    EnableWindow(sheet, TRUE);
    EndSortRun();
}
