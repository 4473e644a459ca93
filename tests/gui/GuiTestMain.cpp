// Runs the program's sheet on the main thread and the GUI tests on a driver thread; the tests
// of the suite AfterClose run once the sheet has been closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "gui/App_win.h"
#include "settings/Settings.h"
#include "gui/GuiDriver.h"
#include "gui/GuiTest.h"

int StartPageIndex = -1;

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const std::string filter = testing::GTEST_FLAG(filter);

    // A run of the program without a settings file: every page shows the defaults.
    LoadSettings();
    std::error_code ignored;
    std::filesystem::remove(SettingsFilePath, ignored);
    std::filesystem::remove_all(gui::ExecutableFolder() / "logs", ignored);

    int failed = 0;
    std::thread driver([&] {
        if (!gui::WaitFor([] { return gui::Sheet() != nullptr && IsWindowVisible(gui::Sheet()); })) {
            std::fputs("the sheet did not appear\n", stderr);
            std::_Exit(2);
        }
        StartPageIndex = static_cast<int>(SendMessageW(gui::Sheet(), PSM_HWNDTOINDEX,
            reinterpret_cast<WPARAM>(reinterpret_cast<HWND>(SendMessageW(gui::Sheet(), PSM_GETCURRENTPAGEHWND, 0, 0))), 0));
        testing::GTEST_FLAG(filter) = filter + ":-AfterClose.*";
        failed |= RUN_ALL_TESTS();
        PrepareForClose();
        // The close box: a system command, as a click on it sends.
        PostMessageW(gui::Sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    RunApplication(GetModuleHandleW(nullptr));
    driver.join();

    testing::GTEST_FLAG(filter) = "AfterClose.*";
    failed |= RUN_ALL_TESTS();
    return failed;
}
