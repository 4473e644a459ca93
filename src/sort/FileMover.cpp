#include "sort/FileMover.h"

#include "platform/Files.h"
#include "platform/Text.h"
#include "sort/Messages.h"
#include "sort/MoveJournal.h"
#include "sort/RunContext.h"
#include "sort/SortPath.h"

bool MoveToDestination(const RunContext& context, int verdict, const std::string& path, const std::string& folder,
                       const std::string& name, std::string& message, std::string* targetOut,
                       PendingMove* pending) {
    const bool monochrome = verdict != 0;

    std::string destination = DestinationFolderFor(context.settings, monochrome, folder);
    if (context.settings.IS_DST_SUBDIR != 0) {
        const std::filesystem::path destinationPath = platform::PathFromUtf8(destination);
        if (platform::KindOf(destinationPath) == platform::EntryKind::Link) {
            message = messages::DestinationIsLink(monochrome, destination);
            return false;
        }
        if (!platform::EnsureFolder(destinationPath, *context.seams.files)) {
            message = messages::DestinationFolderFailed(monochrome, destination);
            return false;
        }
    } else if (platform::KindOf(platform::PathFromUtf8(destination)) == platform::EntryKind::Link) {
        // A folder that is a link is named by where it leads, so the log says where the file
        // really went.
        const std::filesystem::path resolved = platform::ResolveLinks(platform::PathFromUtf8(destination));
        if (!resolved.empty()) destination = RemoveTrailingSeparator(platform::PathToUtf8(resolved));
    }
    // A fixed folder was checked once by the driver before the run; one deleted since fails the move.

    const std::string target = JoinFolderAndName(destination, name);
    if (targetOut != nullptr) *targetOut = target;
    PendingMove own;
    switch (MoveFileJournaled(context, path, target, monochrome, pending != nullptr ? *pending : own)) {
        case MoveOutcome::Moved:
            FinishMove(context, own);
            message = messages::Moved(monochrome, target);
            return true;
        case MoveOutcome::NotJournaled:
            message = messages::MoveNotJournaled(monochrome, target);
            return false;
        case MoveOutcome::Failed: break;
    }
    message = messages::MoveFailed(monochrome, target);
    return false;
}
