// The in-process GUI test driver: the program's sheet runs on the main thread as in
// pallidor.exe, and the tests reach its windows from the driver thread through window
// messages, as a user's input would.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "settings/Settings.h"

namespace gui {

// Polls `done` every 20 ms; false when it is still false after `timeout`.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(30));

HWND Sheet();
// Shows page `index` (0..4) and returns its window.
HWND ShowPage(int index);
HWND Item(HWND dialog, int id);

std::string Text(HWND window);
std::string ItemText(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);

// Replaces the edit's whole text by typing `text`, one character at a time.
void Type(HWND dialog, int id, const std::string& text);
// Clicks a check box and waits for its handler.
void ClickCheckBox(HWND dialog, int id);
// Clicks a push button without waiting: its action may open a modal window.
void PressButton(HWND dialog, int id);
// A left click on the upper (up) or lower (down) half of an up-down control.
void ClickSpin(HWND dialog, int id, bool up);

// A message box of the program, read and not yet answered.
struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    std::string icon;  // "error", "question", "warning", "information" or "none"
};
// Waits for a message box of this process; window is null when none came in time.
MessageBoxSeen WaitForMessageBox(std::chrono::milliseconds timeout = std::chrono::seconds(30));
// Answers with IDOK, IDYES, IDNO... and waits for the box to go.
void Answer(const MessageBoxSeen& box, int button);
// True when no message box of this process is showing.
bool NoMessageBox();

// Visible top-level dialogs of this process with exactly this caption.
std::vector<HWND> DialogsCaptioned(const std::string& caption);

// Posts WM_DROPFILES built from a DROPFILES block, as the shell's drop does. Returns the block,
// so a test can see whether the program released it.
HGLOBAL Drop(HWND target, const std::vector<std::filesystem::path>& paths);

// Writes what the window shows on the screen to screenshots/NAME.bmp beside the executable;
// at another resolution than 96 DPI to NAME-<dpi>dpi.bmp.
void Screenshot(HWND window, const std::string& name);

// The display's resolution in dots per inch as this process sees it.
int ScreenDpi();
// A length of 96 DPI at the display's resolution, as the system scales it.
int Scaled(int pixelsAt96);

// Puts `settings` into the record and has every page already shown display it, as a reset
// does, so a test that changed the record behind the pages leaves nothing stale.
void RestoreSettings(const SettingsRecord& settings);

// The folder of the test executable (the program's ModuleFolder).
std::filesystem::path ExecutableFolder();

}  // namespace gui
