#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

#include "settings/Settings.h"
#include "gui/GuiDriver.h"
#include "gui/GuiTest.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "res/resource.h"
#include "gui/ProgressDialog_win.h"
#include "sort/ResultLog.h"
#include "sort/SortRun.h"
#include "sort/SortRunDriver.h"
#include "gui/SortRun_win.h"
#include "support/FaultyFileSystem.h"
#include "support/ImageFiles.h"

using namespace gui;
namespace fs = std::filesystem;

namespace {

// Holds workers back until the test lets them go, one at a time or all at once.
class WorkerGate {
public:
    WorkerGate() {
        WindowRunSeams.startThread = [this](std::function<void()> body) {
            return platform::StartDetachedThread([this, body = std::move(body)] {
                Wait();
                body();
            });
        };
    }
    ~WorkerGate() {
        OpenAll();
        WindowRunSeams.startThread = platform::StartDetachedThread;
    }
    void Release(int count) {
        std::lock_guard<std::mutex> hold(lock_);
        permits_ += count;
        changed_.notify_all();
    }
    void OpenAll() {
        std::lock_guard<std::mutex> hold(lock_);
        open_ = true;
        changed_.notify_all();
    }

private:
    void Wait() {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return open_ || permits_ > 0; });
        if (!open_) --permits_;
    }
    std::mutex lock_;
    std::condition_variable changed_;
    int permits_ = 0;
    bool open_ = false;
};

// A gray, a vivid, or (`cast`) a gray with a faint warm cast: 122, 120, 116 is no exact gray,
// yet no reader sees colour in it.
void WritePicture(const fs::path& path, bool colour, bool cast = false) {
    testimages::PngPicture picture;
    picture.width = 2;
    picture.height = 2;
    picture.colourType = 2;
    for (int i = 0; i < 4; ++i) {
        if (colour) {
            picture.samples.insert(picture.samples.end(), {200u, 30u, 40u});
        } else if (cast) {
            picture.samples.insert(picture.samples.end(), {122u, 120u, 116u});
        } else {
            picture.samples.insert(picture.samples.end(), {90u, 90u, 90u});
        }
    }
    fs::create_directories(path.parent_path());
    testimages::WriteFileBytes(path, testimages::EncodePng(picture));
}

std::vector<std::string> LogLines() {
    std::ifstream in(LogFilePath, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

bool RunIdle() {
    return !RunBusy && Text(Sheet()) == "Pallidor" && IsWindowEnabled(Sheet()) && ProgressWindow.load() == nullptr;
}

bool CaptionIs(HWND window, const std::string& caption) { return Text(window) == caption; }

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

class SortRunGui : public testing::Test {
protected:
    void SetUp() override {
        saved_ = Settings;
        Settings.IS_DST_SUBDIR = 1;
        Settings.IS_SUBDIRS_TOO = 1;
        // The window's runs meet this test's disk, which fails only where the test says.
        WindowRunSeams.files = &faults_;
    }
    void TearDown() override {
        WaitFor(RunIdle, std::chrono::seconds(20));
        WindowRunSeams.files = &platform::RealFileSystem();
        RestoreSettings(saved_);
    }
    testsupport::FaultyFileSystem faults_;
    testimages::TempFolder folder_;
    SettingsRecord saved_;
};

}  // namespace

TEST_F(SortRunGui, ADropShowsProgressSortsTheFilesAndLogsEachOne) {
    const fs::path root = folder_.Path() / "入力";
    WritePicture(root / "gray.png", false);
    WritePicture(root / "colour.png", true);
    WritePicture(root / "sub" / "deep.png", false);
    const fs::path single = folder_.Path() / "single.png";
    WritePicture(single, true);
    const fs::path late = folder_.Path() / "late" / "late.png";
    WritePicture(late, false);
    Settings.THREAD_NUM = 1;

    WorkerGate gate;
    const HWND page = ShowPage(kJudgment);
    Drop(page, {root, single});
    ASSERT_TRUE(WaitFor([] { return ProgressWindow.load() != nullptr; }));
    const HWND progress = ProgressWindow.load();
    EXPECT_TRUE(WaitFor([] { return CaptionIs(Sheet(), "処理中 - Pallidor"); }));
    EXPECT_FALSE(IsWindowEnabled(Sheet()));
    EXPECT_TRUE(WaitFor([&] { return CaptionIs(progress, "00%(0/4) - Pallidor"); })) << Text(progress);
    // The caption is set before the text, so the text may lag behind by a moment.
    EXPECT_TRUE(WaitFor([&] { return ItemText(progress, IDC_PROGRESS_TEXT) == "00% ( 0 / 4 )"; }))
        << ItemText(progress, IDC_PROGRESS_TEXT);
    EXPECT_EQ("中止", ItemText(progress, IDC_ABORT));
    EXPECT_EQ(256, IconWidth(reinterpret_cast<HICON>(SendMessageW(progress, WM_GETICON, ICON_SMALL, 0))));
    Screenshot(progress, "progress-dialog");

    // A drop during the run is released and ignored.
    const HGLOBAL ignored = Drop(page, {late.parent_path()});
    EXPECT_TRUE(WaitFor([&] { return GlobalSize(ignored) == 0; }));
    EXPECT_TRUE(NoMessageBox());

    // Enter and Escape neither close the dialog nor cancel.
    PostMessageW(progress, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PostMessageW(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Sleep(200);
    EXPECT_TRUE(IsWindow(progress));
    EXPECT_FALSE(CancelRequested);

    gate.Release(1);
    EXPECT_TRUE(WaitFor([&] { return CaptionIs(progress, "25%(1/4) - Pallidor"); })) << Text(progress);
    EXPECT_TRUE(WaitFor([&] { return ItemText(progress, IDC_PROGRESS_TEXT) == "25% ( 1 / 4 )"; }))
        << ItemText(progress, IDC_PROGRESS_TEXT);
    EXPECT_EQ(1, SendMessageW(Item(progress, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
    gate.OpenAll();
    ASSERT_TRUE(WaitFor(RunIdle, std::chrono::seconds(20)));
    EXPECT_FALSE(IsWindow(progress));

    EXPECT_TRUE(fs::exists(root / "monochrome" / "gray.png"));
    EXPECT_TRUE(fs::exists(root / "color" / "colour.png"));
    EXPECT_TRUE(fs::exists(root / "sub" / "monochrome" / "deep.png"));
    EXPECT_TRUE(fs::exists(folder_.Path() / "color" / "single.png"));
    EXPECT_TRUE(fs::exists(late));
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(4u, lines.size());
    const std::string target = platform::PathToUtf8(folder_.Path() / "color" / "single.png");
    bool singleLogged = false;
    for (const std::string& line : lines) {
        singleLogged |= line.find("[" + platform::PathToUtf8(single) + "]【カラー】「" + target + "」に移動しました。\r") !=
                        std::string::npos;
    }
    EXPECT_TRUE(singleLogged) << lines[0];
}

// With the perceptual switch ticked on the page, the run judges by that criterion: a gray and
// a vivid picture land in their folders, and so does a faintly cast gray that the
// grayscale-only criterion of the defaults would call colour.
TEST_F(SortRunGui, ADropWithThePerceptualSwitchOnSorts) {
    WritePicture(folder_.Path() / "gray.png", false);
    WritePicture(folder_.Path() / "vivid.png", true);
    WritePicture(folder_.Path() / "cast.png", false, true);
    const HWND page = ShowPage(kJudgment);
    ClickCheckBox(page, IDC_PERCEPTUAL);
    ASSERT_EQ(1, Settings.IS_PERCEPTUAL_JUDGE);
    Drop(page, {folder_.Path()});
    EXPECT_TRUE(WaitFor([&] {
        return fs::exists(folder_.Path() / "monochrome" / "gray.png") && fs::exists(folder_.Path() / "color" / "vivid.png");
    }, std::chrono::seconds(20)));
    ASSERT_TRUE(WaitFor(RunIdle, std::chrono::seconds(20)));
    EXPECT_TRUE(fs::exists(folder_.Path() / "monochrome" / "cast.png"));
    EXPECT_EQ(3u, LogLines().size());
    // The run saved the settings it used.
    EXPECT_EQ(1, platform::ProfileReadInt("JUDGMENT", "IS_PERCEPTUAL_JUDGE", 0, SettingsFilePath));
}

// TIFF and WebP files dropped on the window are sorted as the other formats are; a TIFF is
// colour when any page is.
TEST_F(SortRunGui, TiffAndWebPFilesDroppedAreSorted) {
    testimages::TiffPage gray;
    gray.width = gray.height = 16;
    gray.samplesPerPixel = 1;
    gray.photometric = 1;  // black is zero
    gray.samples.assign(256, 90);
    testimages::TiffPage red = gray;
    red.samplesPerPixel = 3;
    red.photometric = 2;  // RGB
    red.samples.clear();
    for (int i = 0; i < 256; ++i) red.samples.insert(red.samples.end(), {200u, 30u, 30u});
    ASSERT_TRUE(testimages::WriteTiff(folder_.Path() / "gray.tif", {gray}));
    ASSERT_TRUE(testimages::WriteTiff(folder_.Path() / "two-pages.tiff", {gray, red}));
    for (const bool colour : {false, true}) {
        testimages::WebPImage webp;
        webp.width = webp.height = 16;
        for (int i = 0; i < 256; ++i) {
            webp.pixels.insert(webp.pixels.end(), {std::uint8_t(colour ? 200 : 90), std::uint8_t(colour ? 30 : 90),
                                                   std::uint8_t(colour ? 30 : 90)});
        }
        testimages::WriteFileBytes(folder_.Path() / (colour ? "red.webp" : "gray.webp"), testimages::EncodeWebP(webp));
    }
    Drop(ShowPage(kJudgment), {folder_.Path()});
    const auto sorted = [&] {
        const fs::path mono = folder_.Path() / "monochrome";
        const fs::path colour = folder_.Path() / "color";
        return fs::exists(mono / "gray.tif") && fs::exists(mono / "gray.webp") && fs::exists(colour / "two-pages.tiff") &&
               fs::exists(colour / "red.webp");
    };
    EXPECT_TRUE(WaitFor(sorted, std::chrono::seconds(20)));
    ASSERT_TRUE(WaitFor(RunIdle, std::chrono::seconds(20)));
    EXPECT_EQ(4u, LogLines().size());
}

TEST_F(SortRunGui, TheAbortButtonStopsLaunchingWhileStartedFilesFinish) {
    for (int i = 0; i < 5; ++i) WritePicture(folder_.Path() / ("p" + std::to_string(i) + ".png"), false);
    Settings.THREAD_NUM = 2;
    WorkerGate gate;
    Drop(ShowPage(kSort), {folder_.Path()});
    ASSERT_TRUE(WaitFor([] { return ProgressWindow.load() != nullptr && ActiveWorkers.load() == 2; }));
    const HWND progress = ProgressWindow.load();
    PressButton(progress, IDC_ABORT);
    PressButton(progress, IDC_ABORT);
    ASSERT_TRUE(WaitFor([] { return CancelRequested.load(); }));
    Sleep(300);
    EXPECT_TRUE(IsWindow(progress));
    gate.OpenAll();
    ASSERT_TRUE(WaitFor(RunIdle, std::chrono::seconds(20)));
    int moved = 0;
    for (const auto& entry : fs::directory_iterator(folder_.Path() / "monochrome")) moved += entry.is_regular_file();
    EXPECT_EQ(2, moved);
    EXPECT_EQ(2u, LogLines().size());
}

TEST_F(SortRunGui, MissingFixedDestinationsAreReportedAndNothingMoves) {
    const fs::path picture = folder_.Path() / "a.png";
    WritePicture(picture, false);
    const fs::path mono = folder_.Path() / "モノクロ";
    Settings.IS_DST_SUBDIR = 0;
    Settings.DST_DIR_MONO = platform::PathToUtf8(mono);
    Settings.DST_DIR_COLOR = platform::PathToUtf8(folder_.Path() / "カラー");

    Drop(ShowPage(kDestination), {picture});
    MessageBoxSeen box = WaitForMessageBox();
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ("モノクローム画像ファイルの振り分け先フォルダが存在しません。\nフォルダを作成してから実行して下さい。\n\n"
              "    【フォルダのパス】" + Settings.DST_DIR_MONO, box.text);
    EXPECT_EQ("Pallidor", box.caption);
    EXPECT_EQ("error", box.icon);
    Answer(box, IDOK);
    ASSERT_TRUE(WaitFor(RunIdle));

    fs::create_directories(mono);
    Drop(ShowPage(kDestination), {picture});
    box = WaitForMessageBox();
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ("カラー画像ファイルの振り分け先フォルダが存在しません。\nフォルダを作成してから実行して下さい。\n\n"
              "    【フォルダのパス】" + Settings.DST_DIR_COLOR, box.text);
    EXPECT_EQ("error", box.icon);
    Answer(box, IDOK);
    ASSERT_TRUE(WaitFor(RunIdle));
    EXPECT_TRUE(fs::exists(picture));
}

TEST_F(SortRunGui, ALogThatCannotBeWrittenStopsTheRunWithAMessage) {
    for (int i = 0; i < 4; ++i) WritePicture(folder_.Path() / ("p" + std::to_string(i) + ".png"), i % 2 == 0);
    Settings.THREAD_NUM = 1;
    // The disk holding the logs fills after the first line.
    auto appends = std::make_shared<std::atomic<int>>(0);
    faults_.files = [appends](platform::FileStep step, const fs::path& path) {
        return step == platform::FileStep::Append && path.extension() == L".txt" && ++*appends > 1 ? ENOSPC : 0;
    };
    Drop(ShowPage(kSort), {folder_.Path()});
    MessageBoxSeen box = WaitForMessageBox();
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ("処理結果ログへの書き込みに失敗したため、振り分け処理を中止しました。\n移動済みのファイルは記録されています。\n\n"
              "    【ログファイルのパス】" + platform::PathToUtf8(LogFilePath),
              box.text);
    EXPECT_EQ("error", box.icon);
    Answer(box, IDOK);
    ASSERT_TRUE(WaitFor(RunIdle));
    // One line, and the second file moved without one; the rest stay.
    EXPECT_EQ(1u, LogLines().size());
    int stayed = 0;
    for (const auto& entry : fs::directory_iterator(folder_.Path())) stayed += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(2, stayed);
}
