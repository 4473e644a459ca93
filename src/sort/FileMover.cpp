#include "sort/FileMover.h"

#include "settings/Settings.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sort/Messages.h"
#include "sort/SortPath.h"

bool MoveToDestination(int verdict, const std::string& path, const std::string& folder,
                       const std::string& name, std::string& message, std::string* targetOut) {
    const bool monochrome = verdict != 0;

    std::string destination;
    if (Settings.IS_DST_SUBDIR != 0) {
        destination = JoinFolderAndName(folder, monochrome ? "monochrome" : "color");
        const std::filesystem::path destinationPath = platform::PathFromUtf8(destination);
        if (!platform::EnsureFolder(destinationPath)) {
            message = messages::DestinationFolderFailed(monochrome, destination);
            return false;
        }
    } else {
        // Checked once by the driver before the run; a folder deleted since fails the move.
        destination = RemoveTrailingSeparator(monochrome ? Settings.DST_DIR_MONO : Settings.DST_DIR_COLOR);
    }

    const std::string target = JoinFolderAndName(destination, name);
    if (targetOut != nullptr) *targetOut = target;
    if (platform::MoveFileNoReplace(platform::PathFromUtf8(path), platform::PathFromUtf8(target))) {
        message = messages::Moved(monochrome, target);
        return true;
    }
    message = messages::MoveFailed(monochrome, target);
    return false;
}
