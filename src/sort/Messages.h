// The texts of the result log's lines, each written once: the mover and undo write them, the
// log reader finds moves by them.
#pragma once

#include <string>

namespace messages {

// "モノクロ" or "カラー": the verdict as the log names it.
const char* VerdictWord(bool monochrome);

// 【モノクロ】「TARGET」に移動しました。 — and its two halves, for the reader.
std::string Moved(bool monochrome, const std::string& target);
std::string MovedOpening(bool monochrome);
constexpr const char* kMovedClosing = "」に移動しました。";

// 【ERROR】モノクロ画像と判定しましたが、「TARGET」への移動に失敗しました。 — and its halves.
std::string MoveFailed(bool monochrome, const std::string& target);
std::string MoveFailedOpening(bool monochrome);
constexpr const char* kMoveFailedClosing = "」への移動に失敗しました。";

// 【ERROR】モノクロ画像と判定しましたが、振り分け先フォルダ（FOLDER）の作成に失敗しました。
std::string DestinationFolderFailed(bool monochrome, const std::string& folder);

// Taking a run back.
std::string DestinationGone(const std::string& origin);
std::string DestinationChanged(const std::string& origin);
std::string OriginTaken(const std::string& origin);
std::string OriginFolderFailed(const std::string& folder);
std::string MoveBackFailed(const std::string& origin);
constexpr const char* kEmptyFolderRemoved = "【フォルダ】空になった振り分け先フォルダを削除しました。";

}  // namespace messages
