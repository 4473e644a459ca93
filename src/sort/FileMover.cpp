#include "sort/FileMover.h"

#include "settings/Settings.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sort/SortPath.h"

bool MoveToDestination(int verdict, const std::string& path, const std::string& folder,
                       const std::string& name, std::string& message, std::string* targetOut) {
    const bool monochrome = verdict != 0;
    const char* word = monochrome ? "モノクロ" : "カラー";

    std::string destination;
    if (Settings.IS_DST_SUBDIR != 0) {
        destination = JoinFolderAndName(folder, monochrome ? "monochrome" : "color");
        const std::filesystem::path destinationPath = platform::PathFromUtf8(destination);
        // Test, create, test again: when several workers of one folder meet the missing
        // sub-folder at once, the creation another worker won counts as our success.
        if (!platform::IsDirectory(destinationPath) && !platform::CreateFolder(destinationPath) &&
            !platform::IsDirectory(destinationPath)) {
            message = FormatText("【ERROR】%s画像と判定しましたが、振り分け先フォルダ（%s）の作成に失敗しました。",
                                 word, destination.c_str());
            return false;
        }
    } else {
        // Checked once by the driver before the run; a folder deleted since fails the move.
        destination = RemoveTrailingSeparator(monochrome ? Settings.DST_DIR_MONO : Settings.DST_DIR_COLOR);
    }

    const std::string target = JoinFolderAndName(destination, name);
    if (targetOut != nullptr) *targetOut = target;
    if (platform::MoveFileNoReplace(platform::PathFromUtf8(path), platform::PathFromUtf8(target))) {
        message = FormatText("【%s】「%s」に移動しました。", word, target.c_str());
        return true;
    }
    message = FormatText("【ERROR】%s画像と判定しましたが、「%s」への移動に失敗しました。", word, target.c_str());
    return false;
}
