#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shobjidl.h>

#include "gui/App_win.h"
#include "platform/Thread.h"
#include "platform/WideText_win.h"
#include "res/resource.h"
#include "gui/ProgressDialog_win.h"
#include "sort/SortRun.h"

std::atomic<HWND> ProgressWindow{nullptr};
HWND ProgressText = nullptr;
HWND ProgressBar = nullptr;

namespace {

std::atomic<bool> ProgressAbandoned{false};

// The taskbar button of the current run; used on the driver thread only, which initialised
// COM for it.
struct TaskbarState {
    ITaskbarList3* list = nullptr;
    HWND window = nullptr;
};
TaskbarState TaskbarProgress;

INT_PTR OnInitDialog(HWND hwnd) {
    // The wait for us was given up: nobody would ever close this window.
    if (ProgressAbandoned.exchange(false)) {
        EndDialog(hwnd, 0);
        return TRUE;
    }
    // At its natural size, the one image of the group: the system scales it for the caption.
    const auto icon = static_cast<HICON>(
        LoadImageW(InstanceHandle, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, LR_SHARED));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    ProgressText = GetDlgItem(hwnd, IDC_PROGRESS_TEXT);
    ProgressBar = GetDlgItem(hwnd, IDC_PROGRESS_BAR);
    SendMessageW(ProgressBar, PBM_SETSTEP, 1, 0);
    // Last: a non-null ProgressWindow tells the waiting thread that the controls are ready.
    ProgressWindow = hwnd;
    return TRUE;
}

INT_PTR CALLBACK ProgressDialogProc(HWND hwnd, UINT message, WPARAM wp, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(hwnd);
    case WM_COMMAND:
        if (LOWORD(wp) != IDC_ABORT) return FALSE;
        CancelRequested = true;
        return TRUE;
    case WM_CLOSE:
        // Null before the window goes, so FinishSortRun stops waiting at once.
        ProgressWindow = nullptr;
        CancelRequested = true;
        EndDialog(hwnd, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

bool StartProgressDialog() {
    ProgressAbandoned = false;
    return platform::StartDetachedThread([] {
        DialogBoxParamW(InstanceHandle, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, ProgressDialogProc, 0);
    });
}

void AbandonProgressDialog() {
    ProgressAbandoned = true;
    // It may have come up between the last look and the flag.
    const HWND late = ProgressWindow.load();
    if (late != nullptr) PostMessageW(late, WM_CLOSE, 0, 0);
}

void BeginTaskbarProgress() {
    EndTaskbarProgress();
    CoInitialize(nullptr);
    void* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &list)) ||
        list == nullptr) {
        CoUninitialize();
        return;
    }
    TaskbarProgress.list = static_cast<ITaskbarList3*>(list);
    TaskbarProgress.window = ProgressWindow.load();
    TaskbarProgress.list->SetProgressState(TaskbarProgress.window, TBPF_NORMAL);
}

void EndTaskbarProgress() {
    if (TaskbarProgress.list == nullptr) return;
    TaskbarProgress.list->Release();
    TaskbarProgress.list = nullptr;
    CoUninitialize();
}

void ShowProgress(const ProgressDisplay& progress) {
    if (TaskbarProgress.list != nullptr) {
        TaskbarProgress.list->SetProgressValue(TaskbarProgress.window, static_cast<ULONGLONG>(progress.done),
                                               static_cast<ULONGLONG>(progress.total));
    }
    SetWindowTextW(ProgressWindow.load(), platform::Widen(progress.caption).c_str());
    SetWindowTextW(ProgressText, platform::Widen(progress.text).c_str());
}
