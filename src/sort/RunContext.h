// What a sorting run, an undo or a recovery works with, handed to it by its caller: the window
// and the console each make one per run, tests make their own. Nothing below the caller reads
// the process-wide settings record or the program's folder.
#pragma once

#include <filesystem>
#include <functional>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "settings/Settings.h"

// The steps of a journaled move (MoveJournal.h).
enum class JournaledStep;

// Which files a dropped folder contributes to a list.
struct CollectionRule {
    bool subfolders = true;  // descend into sub-folders, depth first
};

// What a run does through others than the settings and places: the program passes the real
// ones (RealRunSeams), a test its own to hold workers back, to make the disk fail or to stop a
// move as if the process had been killed.
struct RunSeams {
    // Starts a worker on a thread of its own; false when no thread could be made (`body` is
    // then not run).
    std::function<bool(std::function<void()> body)> startThread;
    // The local time, for the log's name and its lines.
    std::function<platform::LocalTime()> clock;
    // Every file the run reads, makes, writes, moves or removes goes through it. Outlives the run.
    const platform::FileSystem* files = nullptr;
    // True where a journaled move is to stop right before `step`, as if the process had been
    // killed there: nothing after it runs and nothing is cleaned up. Empty: never.
    std::function<bool(JournaledStep step)> stopsBefore;
};

// Detached threads, the system's clock, the disk itself, and moves that run to their end.
RunSeams RealRunSeams();

struct RunContext {
    // The settings the run started with; a change made meanwhile (on a page) waits for the next run.
    SettingsRecord settings;
    // The result logs and their move ledgers; empty when there is no such place.
    std::filesystem::path logsFolder;
    // The move journal, and where its entries go when that folder cannot hold them (empty where
    // the platform has no such place).
    std::filesystem::path journalFolder;
    std::filesystem::path fallbackJournalFolder;
    RunSeams seams;
};

// A context of `settings` with the per-user places of the program in `moduleFolder`.
RunContext MakeRunContext(const SettingsRecord& settings, const std::filesystem::path& moduleFolder,
                          RunSeams seams = RealRunSeams());

// The collection rule of a run's settings (IS_SUBDIRS_TOO).
CollectionRule CollectionRuleOf(const SettingsRecord& settings);
