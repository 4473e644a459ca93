// The result log's messages, each built from the texts of the current language (Texts.h): the
// mover and undo write them, the log reader finds moves by them in either language.
#pragma once

#include <string>

#include "sort/Texts.h"

namespace messages {

// "モノクロ" or "カラー" ("monochrome" or "color"): the verdict as the log names it.
const char* VerdictWord(bool monochrome, Language language = TextLanguage());

// 【モノクロ】「TARGET」に移動しました。 — and its two halves, for the reader.
std::string Moved(bool monochrome, const std::string& target);
std::string MovedOpening(bool monochrome, Language language = TextLanguage());
const char* MovedClosing(Language language = TextLanguage());

// 【ERROR】モノクロ画像と判定しましたが、「TARGET」への移動に失敗しました。 — and its halves.
std::string MoveFailed(bool monochrome, const std::string& target);
std::string MoveFailedOpening(bool monochrome, Language language = TextLanguage());
const char* MoveFailedClosing(Language language = TextLanguage());

// The move would copy the file to another file system and its journal entry could not be
// written, so no copy was made and the file stays:
// 【ERROR】モノクロ画像と判定しましたが、移動の記録を書き込めないため、「TARGET」への移動を中止しました。
std::string MoveNotJournaled(bool monochrome, const std::string& target);

// A move that an ended process left unfinished is not as its journal entry says (the files'
// bytes differ, or both are gone), so nothing was removed.
std::string InterruptedMoveLeft(const std::string& target);

// 【ERROR】モノクロ画像と判定しましたが、振り分け先フォルダ（FOLDER）の作成に失敗しました。
std::string DestinationFolderFailed(bool monochrome, const std::string& folder);

// A FIFO, socket or device among the files: never opened, so it cannot hold up the run.
std::string NotARegularFile();

// A link to a picture is judged by the picture it leads to, but stays where it is: moved, a
// relative link would lead nowhere.
std::string LinkLeft(bool monochrome);

// The "monochrome" or "color" folder beside the file is a link: it could lead anywhere, so
// nothing is moved into it.
std::string DestinationIsLink(bool monochrome, const std::string& folder);

// A file not moved because an earlier line of the run's log could not be written.
std::string NotMovedWithoutLog();

// Told to the user when the run stopped for that reason.
std::string LogWriteFailedStop(const std::string& logPath);

// Taking a run back.
std::string DestinationGone(const std::string& origin);
std::string DestinationChanged(const std::string& origin);
std::string OriginTaken(const std::string& origin);
std::string OriginFolderFailed(const std::string& folder);
std::string MoveBackFailed(const std::string& origin);
std::string MoveBackNotJournaled(const std::string& origin);
// 【フォルダ】空になった振り分け先フォルダを削除しました。
std::string EmptyFolderRemoved();

// A loader's failure text (always in the window's words) in the current language: the
// format's name and the reason kept, a reason no table knows (a library's own) left as it is.
std::string LoaderFailure(const std::string& loaderText);

}  // namespace messages
