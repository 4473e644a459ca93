#include <windows.h>
#include <commctrl.h>

#include "gui/App_win.h"
#include "gui/SettingsPage_win.h"
#include "gui/PageRules.h"
#include "settings/Settings.h"
#include "res/resource.h"
#include "gui/SortRun_win.h"

namespace {

HWND RememberedPage = nullptr;
// Off until the page's first fill is done, so the notifications of that fill store nothing.
bool PageReady = false;

void EnablePixelCount(HWND hwnd) {
    EnableItems(hwnd, {IDC_PIXEL_COUNT, IDC_PIXEL_COUNT_SPIN}, PixelCountEnabled(Settings.IS_ALL_PIXEL_JUDGE));
}

void EnableCriterionLimits(HWND hwnd) {
    EnableItems(hwnd, {IDC_ONLY_GRAYSCALE}, CriterionChoiceEnabled(Settings.IS_PERCEPTUAL_JUDGE));
    EnableItems(hwnd, {IDC_THRESHOLD_GS, IDC_THRESHOLD_GS_SPIN, IDC_NOISE_LIMIT_GS, IDC_NOISE_LIMIT_GS_SPIN},
                GrayscaleLimitsEnabled(Settings.IS_ONLY_GRAYSCALE, Settings.IS_PERCEPTUAL_JUDGE));
    EnableItems(hwnd, {IDC_THRESHOLD_MONO, IDC_THRESHOLD_MONO_SPIN, IDC_ERROR_LIMIT_MONO, IDC_ERROR_LIMIT_MONO_SPIN},
                MonoLimitsEnabled(Settings.IS_ONLY_GRAYSCALE, Settings.IS_PERCEPTUAL_JUDGE));
}

double* PercentField(int editId) {
    switch (editId) {
    case IDC_NOISE_LIMIT_GS: return &Settings.NOISE_LIMIT_GS;
    case IDC_THRESHOLD_MONO: return &Settings.THRESHOLD_MONO;
    case IDC_ERROR_LIMIT_MONO: return &Settings.ERROR_LIMIT_MONO;
    default: return nullptr;
    }
}

INT_PTR OnCommand(HWND hwnd, int id, int code) {
    if (!PageReady) return FALSE;
    const bool isEdit = id == IDC_PIXEL_COUNT || id == IDC_THRESHOLD_GS || PercentField(id) != nullptr;
    if (isEdit && code != EN_UPDATE) return FALSE;
    switch (id) {
    case IDC_ALL_PIXEL:
        Settings.IS_ALL_PIXEL_JUDGE = IsDlgButtonChecked(hwnd, id) == BST_CHECKED ? 1 : 0;
        EnablePixelCount(hwnd);
        return TRUE;
    case IDC_ONLY_GRAYSCALE:
        Settings.IS_ONLY_GRAYSCALE = IsDlgButtonChecked(hwnd, id) == BST_CHECKED ? 1 : 0;
        EnableCriterionLimits(hwnd);
        return TRUE;
    case IDC_PERCEPTUAL:
        Settings.IS_PERCEPTUAL_JUDGE = IsDlgButtonChecked(hwnd, id) == BST_CHECKED ? 1 : 0;
        EnableCriterionLimits(hwnd);
        return TRUE;
    case IDC_PIXEL_COUNT:
        Settings.PIXELS_USE_IN_JUDGMENT = PixelCountFromText(ReadItemText(hwnd, id, kNumberBuffer));
        return TRUE;
    case IDC_THRESHOLD_GS:
        Settings.THRESHOLD_GS = ThresholdGsFromText(ReadItemText(hwnd, id, kNumberBuffer));
        return TRUE;
    default:
        if (double* field = PercentField(id)) {
            *field = PercentFromText(ReadItemText(hwnd, id, kNumberBuffer));
            return TRUE;
        }
        return FALSE;
    }
}

// The arrows of the four up-downs without a range of their own write the edit themselves; the
// edit's text update then stores the field like typed text.
INT_PTR OnNotify(HWND hwnd, const NMHDR* header) {
    if (header->code != UDN_DELTAPOS) return FALSE;
    const int spinId = static_cast<int>(header->idFrom);
    if (spinId != IDC_PIXEL_COUNT_SPIN && spinId != IDC_NOISE_LIMIT_GS_SPIN &&
        spinId != IDC_THRESHOLD_MONO_SPIN && spinId != IDC_ERROR_LIMIT_MONO_SPIN) {
        return FALSE;
    }
    const int editId = spinId - 1;
    const bool up = SpinStepsUp(reinterpret_cast<const NMUPDOWN*>(header)->iDelta);
    const std::string current = ReadItemText(hwnd, editId, kNumberBuffer);
    WriteItemText(hwnd, editId,
                  spinId == IDC_PIXEL_COUNT_SPIN ? StepPixelCountText(current, up) : StepPercentText(current, up));
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 0);
    return TRUE;
}

}  // namespace

void RefreshJudgmentPage(HWND page) {
    if (page != nullptr) RememberedPage = page;
    const HWND hwnd = RememberedPage;
    CheckDlgButton(hwnd, IDC_ALL_PIXEL, CheckState(Settings.IS_ALL_PIXEL_JUDGE != 0));
    WriteItemText(hwnd, IDC_PIXEL_COUNT, IntText(Settings.PIXELS_USE_IN_JUDGMENT));
    CheckDlgButton(hwnd, IDC_PERCEPTUAL, CheckState(Settings.IS_PERCEPTUAL_JUDGE != 0));
    CheckDlgButton(hwnd, IDC_ONLY_GRAYSCALE, CheckState(Settings.IS_ONLY_GRAYSCALE != 0));
    SendDlgItemMessageW(hwnd, IDC_THRESHOLD_GS_SPIN, UDM_SETRANGE32, 0, 255);
    ShowSpinValue(hwnd, IDC_THRESHOLD_GS_SPIN, IDC_THRESHOLD_GS, Settings.THRESHOLD_GS);
    WriteItemText(hwnd, IDC_NOISE_LIMIT_GS, PercentText(Settings.NOISE_LIMIT_GS));
    WriteItemText(hwnd, IDC_THRESHOLD_MONO, PercentText(Settings.THRESHOLD_MONO));
    WriteItemText(hwnd, IDC_ERROR_LIMIT_MONO, PercentText(Settings.ERROR_LIMIT_MONO));
    EnablePixelCount(hwnd);
    EnableCriterionLimits(hwnd);
}

INT_PTR CALLBACK JudgmentPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        return StartSettingsPage(hwnd, lp, RefreshJudgmentPage, PageReady);
    case WM_DROPFILES:
        return StartSortRun(reinterpret_cast<HDROP>(wp));
    case WM_COMMAND:
        return OnCommand(hwnd, LOWORD(wp), HIWORD(wp));
    case WM_NOTIFY:
        return OnNotify(hwnd, reinterpret_cast<const NMHDR*>(lp));
    default:
        return FALSE;
    }
}
