// Every text the console shows and the run writes into its log, in each language: one table
// per language, each text written once. The window keeps its texts in Japanese; the console
// tool chooses its language from the locale.
#pragma once

#include <string>

enum class Language { English, Japanese };

// The language a locale name asks for: Japanese for "ja", "ja_JP.UTF-8", "Japanese" and the
// like, English for every other name.
Language LanguageOfLocaleName(const std::string& name);
// The language of the locale variables: the first that is set and not empty of LC_ALL,
// LC_MESSAGES and LANG decides, as the C library would for messages. Null stands for unset.
// Only their text counts, not whether that locale is installed.
Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang);

// The language of Text(); Japanese, the window's, until a front end chooses another.
Language TextLanguage();
void SetTextLanguage(Language language);

enum class TextId {
    // The log's lines and their messages.
    LogLine,                // time stamp, "[path]" and message, with its CR LF
    VerdictMonochrome,
    VerdictColor,
    MovedOpening,           // %s: the verdict
    MovedClosing,
    MoveFailedOpening,      // %s: the verdict
    MoveFailedClosing,
    MoveNotJournaled,       // verdict, target
    InterruptedMoveLeft,    // target
    DestinationFolderFailed,  // verdict, folder
    NotARegularFile,
    LinkLeft,               // verdict
    DestinationIsLink,      // verdict, folder
    NotMovedWithoutLog,
    LogWriteFailedStop,     // log path
    DestinationGone,        // origin
    DestinationChanged,     // origin
    OriginTaken,            // origin
    OriginFolderFailed,     // folder
    MoveBackFailed,         // origin
    MoveBackNotJournaled,   // origin
    EmptyFolderRemoved,
    // A run's questions and failures.
    LogsFolderNotMade,
    LogFileNotMade,
    MonochromeFolderMissing,  // folder
    ColorFolderMissing,       // folder
    ThreadNotStarted,
    // The loaders' failures: the format's name, and the reason.
    LoadFailed,             // format
    LoadFailedBecause,      // format, reason
    UnsupportedFormat,
    ReasonNoMemory,
    ReasonOpenForReading,
    ReasonOpen,
    ReasonMalformed,
    ReasonRead,
    ReasonNotPng,
    ReasonPrepare,
    ReasonBitDepth,
    ReasonInterlace,
    ReasonHeader,
    ReasonExpand,
    ReasonImageNotCreated,
    ReasonPixels,
    ReasonTooManyPages,
    ReasonPixelLayout,
    // The console's own texts.
    MovedToMonochromeCount,  // count
    MovedToColorCount,       // count
    LeftInPlaceCount,        // count
    LogPath,                 // path
    NoLog,
    Cancelled,               // not started, listed
    Stopping,                // in progress
    Abandoning,
    RunAlreadyBusy,
    NoSuchPath,
    SystemPermissionDenied,
    SystemNoSpace,
    SystemReadOnly,
    SystemNameTaken,
    SystemNotFound,
    WrongExtension,          // the format the file really holds
    TooLarge,                // width, height, MiB needed, MiB limit
    DecoderWarned,           // warnings
    Interrupted,
    CannotReadLog,           // path
    NotALog,                 // path
    NoLogs,
    SettingChanged,          // key, value given, value stored
    SettingNoEffect,         // key, the other setting
    RelativeFolder,          // key, value
    MissingFolder,           // key, value
    Progress,                // done, total, per second, time left
    OnlyFolders,             // folder
    Count
};

// The text in the current language, or in `language`.
const char* Text(TextId id);
const char* TextIn(Language language, TextId id);
