#include "sort/RunContext.h"

#include <utility>

#include "platform/Places.h"
#include "platform/Thread.h"

RunSeams RealRunSeams() {
    RunSeams seams;
    seams.startThread = platform::StartDetachedThread;
    seams.clock = platform::CurrentLocalTime;
    seams.files = &platform::RealFileSystem();
    return seams;
}

RunContext MakeRunContext(const SettingsRecord& settings, const std::filesystem::path& moduleFolder, RunSeams seams) {
    RunContext context;
    context.settings = settings;
    context.logsFolder = platform::LogsFolder(moduleFolder);
    if (!context.logsFolder.empty()) context.journalFolder = context.logsFolder / "journal";
    context.fallbackJournalFolder = platform::FallbackJournalFolder();
    context.seams = std::move(seams);
    return context;
}

CollectionRule CollectionRuleOf(const SettingsRecord& settings) {
    CollectionRule rule;
    rule.subfolders = settings.IS_SUBDIRS_TOO != 0;
    return rule;
}
