#include "sort/Messages.h"

#include "platform/Text.h"

namespace messages {

const char* VerdictWord(bool monochrome) { return monochrome ? "モノクロ" : "カラー"; }

std::string MovedOpening(bool monochrome) { return FormatText("【%s】「", VerdictWord(monochrome)); }

std::string Moved(bool monochrome, const std::string& target) {
    return MovedOpening(monochrome) + target + kMovedClosing;
}

std::string MoveFailedOpening(bool monochrome) {
    return FormatText("【ERROR】%s画像と判定しましたが、「", VerdictWord(monochrome));
}

std::string MoveFailed(bool monochrome, const std::string& target) {
    return MoveFailedOpening(monochrome) + target + kMoveFailedClosing;
}

std::string MoveNotJournaled(bool monochrome, const std::string& target) {
    return FormatText("【ERROR】%s画像と判定しましたが、移動の記録を書き込めないため、「%s」への移動を中止しました。",
                      VerdictWord(monochrome), target.c_str());
}

std::string InterruptedMoveLeft(const std::string& target) {
    return FormatText("【ERROR】中断された「%s」への移動を確かめられなかったため、どのファイルも削除しませんでした。",
                      target.c_str());
}

std::string DestinationFolderFailed(bool monochrome, const std::string& folder) {
    return FormatText("【ERROR】%s画像と判定しましたが、振り分け先フォルダ（%s）の作成に失敗しました。",
                      VerdictWord(monochrome), folder.c_str());
}

std::string LinkLeft(bool monochrome) {
    return FormatText("【ERROR】%s画像と判定しましたが、リンクのため移動しませんでした。", VerdictWord(monochrome));
}

std::string DestinationIsLink(bool monochrome, const std::string& folder) {
    return FormatText("【ERROR】%s画像と判定しましたが、振り分け先フォルダ（%s）がリンクのため移動しませんでした。",
                      VerdictWord(monochrome), folder.c_str());
}

std::string LogWriteFailedStop(const std::string& logPath) {
    return FormatText("処理結果ログへの書き込みに失敗したため、振り分け処理を中止しました。\n移動済みのファイルは記録されています。\n\n    【ログファイルのパス】%s",
                      logPath.c_str());
}

std::string DestinationGone(const std::string& origin) {
    return FormatText("【ERROR】移動先にファイルがないため、「%s」に戻せませんでした。", origin.c_str());
}

std::string DestinationChanged(const std::string& origin) {
    return FormatText("【ERROR】移動先のファイルが振り分けの後に変更されているため、「%s」に戻しませんでした。",
                      origin.c_str());
}

std::string OriginTaken(const std::string& origin) {
    return FormatText("【ERROR】「%s」に別のファイルがあるため、戻しませんでした。", origin.c_str());
}

std::string OriginFolderFailed(const std::string& folder) {
    return FormatText("【ERROR】移動元フォルダ（%s）の作成に失敗しました。", folder.c_str());
}

std::string MoveBackFailed(const std::string& origin) {
    return FormatText("【ERROR】「%s」への移動に失敗しました。", origin.c_str());
}

std::string MoveBackNotJournaled(const std::string& origin) {
    return FormatText("【ERROR】移動の記録を書き込めないため、「%s」への移動を中止しました。", origin.c_str());
}

}  // namespace messages
