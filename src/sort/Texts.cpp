#include "sort/Texts.h"

#include <atomic>
#include <cstddef>

namespace {

struct Entry {
    TextId id;
    const char* text;
};

constexpr Entry kEnglish[] = {
    {TextId::LogLine, "%04d-%02d-%02d %02d:%02d:%02d.%03d [%s]%s\r\n"},
    {TextId::VerdictMonochrome, "monochrome"},
    {TextId::VerdictColor, "color"},
    {TextId::MovedOpening, "[%s] moved to \""},
    {TextId::MovedClosing, "\"."},
    {TextId::MoveFailedOpening, "[ERROR] judged %s, but the move to \""},
    {TextId::MoveFailedClosing, "\" failed."},
    {TextId::MoveNotJournaled, "[ERROR] judged %s, but the move to \"%s\" was not started: its record could not be written."},
    {TextId::InterruptedMoveLeft, "[ERROR] the interrupted move to \"%s\" could not be confirmed, so no file was removed."},
    {TextId::DestinationFolderFailed, "[ERROR] judged %s, but the destination folder (%s) could not be created."},
    {TextId::NotARegularFile, "[ERROR] not a regular file, so it was not opened."},
    {TextId::LinkLeft, "[ERROR] judged %s, but it is a link, so it was not moved."},
    {TextId::DestinationIsLink, "[ERROR] judged %s, but the destination folder (%s) is a link, so nothing was moved into it."},
    {TextId::NotMovedWithoutLog, "[ERROR] not moved: the log could no longer be written."},
    {TextId::LogWriteFailedStop, "The run stopped: its log could not be written.\nThe files moved so far are recorded.\n\n    [log file] %s"},
    {TextId::DestinationGone, "[ERROR] the moved file is gone, so it could not go back to \"%s\"."},
    {TextId::DestinationChanged, "[ERROR] the moved file has changed since the run, so it did not go back to \"%s\"."},
    {TextId::OriginTaken, "[ERROR] another file is at \"%s\", so it did not go back."},
    {TextId::OriginFolderFailed, "[ERROR] the original folder (%s) could not be created."},
    {TextId::MoveBackFailed, "[ERROR] the move to \"%s\" failed."},
    {TextId::MoveBackNotJournaled, "[ERROR] the move to \"%s\" was not started: its record could not be written."},
    {TextId::EmptyFolderRemoved, "[FOLDER] removed a destination folder left empty."},
    {TextId::LogsFolderNotMade, "The \"logs\" folder could not be created.\nSort without a log?"},
    {TextId::LogFileNotMade, "The log file could not be created.\nSort without a log?"},
    {TextId::MonochromeFolderMissing, "The destination folder for monochrome pictures does not exist.\nCreate it and try again.\n\n    [folder] %s"},
    {TextId::ColorFolderMissing, "The destination folder for color pictures does not exist.\nCreate it and try again.\n\n    [folder] %s"},
    {TextId::ThreadNotStarted, "A thread could not be started."},
    {TextId::LoadFailed, "[ERROR] the %s file could not be read."},
    {TextId::LoadFailedBecause, "[ERROR] the %s file could not be read (%s)."},
    {TextId::UnsupportedFormat, "[ERROR] unsupported file format."},
    {TextId::ReasonNoMemory, "no memory"},
    {TextId::ReasonOpenForReading, "cannot open it for reading"},
    {TextId::ReasonOpen, "cannot open or decode it"},
    {TextId::ReasonMalformed, "malformed file"},
    {TextId::ReasonRead, "cannot read it"},
    {TextId::ReasonNotPng, "not a PNG file"},
    {TextId::ReasonPrepare, "cannot prepare the decoder"},
    {TextId::ReasonBitDepth, "unsupported bit depth"},
    {TextId::ReasonInterlace, "unsupported interlace method"},
    {TextId::ReasonHeader, "cannot read the header"},
    {TextId::ReasonExpand, "cannot start decoding"},
    {TextId::ReasonImageNotCreated, "cannot create the picture"},
    {TextId::ReasonPixels, "cannot read the pixels"},
    {TextId::ReasonTooManyPages, "too many pages"},
    {TextId::ReasonPixelLayout, "unsupported pixel layout"},
    {TextId::MovedToMonochromeCount, "moved to monochrome: %d"},
    {TextId::MovedToColorCount, "moved to color: %d"},
    {TextId::LeftInPlaceCount, "left in place: %d"},
    {TextId::LogPath, "log: %s"},
    {TextId::NoLog, "log: none"},
    {TextId::Cancelled, "cancelled: %d of %d files were not started"},
    {TextId::Stopping, "stopping: %d files in progress (Ctrl+C again abandons them)"},
    {TextId::Abandoning, "abandoning the files in progress"},
    {TextId::RunAlreadyBusy, "a sorting run is already busy"},
    {TextId::NoSuchPath, "no such file or folder"},
    {TextId::SystemPermissionDenied, "permission denied"},
    {TextId::SystemNoSpace, "no space left on the device"},
    {TextId::SystemReadOnly, "read-only file system"},
    {TextId::SystemNameTaken, "name already taken"},
    {TextId::SystemNotFound, "folder not found"},
    {TextId::WrongExtension, "the file is a %s file"},
    {TextId::TooLarge, "%u x %u pixels need %llu MiB, more than the limit of %llu MiB"},
    {TextId::DecoderWarned, "judged despite damage: the decoder warned %ld times (cut short or corrupt data)"},
    {TextId::Interrupted, "interrupted"},
    {TextId::CannotReadLog, "cannot read the log %s"},
    {TextId::NotALog, "%s is not a log of this program"},
    {TextId::NoLogs, "no logs yet"},
    {TextId::SettingChanged, "%s=%s is stored as %s"},
    {TextId::SettingNoEffect, "%s has no effect while %s"},
    {TextId::RelativeFolder, "%s must be a full path, not '%s'"},
    {TextId::MissingFolder, "%s names no folder: '%s' does not exist"},
    {TextId::Progress, "%d/%d files, %.1f/s, %s left"},
    {TextId::OnlyFolders, "%s holds only folders and sub-folders are off (IS_SUBDIRS_TOO=0): -r sorts them too"},
};

constexpr Entry kJapanese[] = {
    {TextId::LogLine, "%04d年%02d月%02d日%02d時%02d分%02d秒%03dミリ秒[%s]%s\r\n"},
    {TextId::VerdictMonochrome, "モノクロ"},
    {TextId::VerdictColor, "カラー"},
    {TextId::MovedOpening, "【%s】「"},
    {TextId::MovedClosing, "」に移動しました。"},
    {TextId::MoveFailedOpening, "【ERROR】%s画像と判定しましたが、「"},
    {TextId::MoveFailedClosing, "」への移動に失敗しました。"},
    {TextId::MoveNotJournaled, "【ERROR】%s画像と判定しましたが、移動の記録を書き込めないため、「%s」への移動を中止しました。"},
    {TextId::InterruptedMoveLeft, "【ERROR】中断された「%s」への移動を確かめられなかったため、どのファイルも削除しませんでした。"},
    {TextId::DestinationFolderFailed, "【ERROR】%s画像と判定しましたが、振り分け先フォルダ（%s）の作成に失敗しました。"},
    {TextId::NotARegularFile, "【ERROR】通常のファイルではないため、開きませんでした。"},
    {TextId::LinkLeft, "【ERROR】%s画像と判定しましたが、リンクのため移動しませんでした。"},
    {TextId::DestinationIsLink, "【ERROR】%s画像と判定しましたが、振り分け先フォルダ（%s）がリンクのため移動しませんでした。"},
    {TextId::NotMovedWithoutLog, "【ERROR】処理結果ログに書き込めなくなったため、移動しませんでした。"},
    {TextId::LogWriteFailedStop, "処理結果ログへの書き込みに失敗したため、振り分け処理を中止しました。\n移動済みのファイルは記録されています。\n\n    【ログファイルのパス】%s"},
    {TextId::DestinationGone, "【ERROR】移動先にファイルがないため、「%s」に戻せませんでした。"},
    {TextId::DestinationChanged, "【ERROR】移動先のファイルが振り分けの後に変更されているため、「%s」に戻しませんでした。"},
    {TextId::OriginTaken, "【ERROR】「%s」に別のファイルがあるため、戻しませんでした。"},
    {TextId::OriginFolderFailed, "【ERROR】移動元フォルダ（%s）の作成に失敗しました。"},
    {TextId::MoveBackFailed, "【ERROR】「%s」への移動に失敗しました。"},
    {TextId::MoveBackNotJournaled, "【ERROR】移動の記録を書き込めないため、「%s」への移動を中止しました。"},
    {TextId::EmptyFolderRemoved, "【フォルダ】空になった振り分け先フォルダを削除しました。"},
    {TextId::LogsFolderNotMade, "「logs」フォルダの作成に失敗しました。\n処理結果ログを出力できませんが、振り分け処理を実行しますか？"},
    {TextId::LogFileNotMade, "処理結果ログファイルの作成に失敗しました。\n処理結果ログを出力できませんが、振り分け処理を実行しますか？"},
    {TextId::MonochromeFolderMissing, "モノクローム画像ファイルの振り分け先フォルダが存在しません。\nフォルダを作成してから実行して下さい。\n\n    【フォルダのパス】%s"},
    {TextId::ColorFolderMissing, "カラー画像ファイルの振り分け先フォルダが存在しません。\nフォルダを作成してから実行して下さい。\n\n    【フォルダのパス】%s"},
    {TextId::ThreadNotStarted, "スレッドの作成に失敗しました。"},
    {TextId::LoadFailed, "【ERROR】%sファイルの読み込みに失敗しました。"},
    {TextId::LoadFailedBecause, "【ERROR】%sファイルの読み込みに失敗しました。（%s）"},
    {TextId::UnsupportedFormat, "【ERROR】非対応のファイル形式です。"},
    {TextId::ReasonNoMemory, "メモリ領域の確保に失敗しました。"},
    {TextId::ReasonOpenForReading, "ファイルの読み込みオープンに失敗しました。"},
    {TextId::ReasonOpen, "ファイルを開くのに失敗しました。"},
    {TextId::ReasonMalformed, "ファイルが不正です。"},
    {TextId::ReasonRead, "ファイルの読み込みに失敗しました。"},
    {TextId::ReasonNotPng, "PNGファイルではありません。"},
    {TextId::ReasonPrepare, "読み込みの準備に失敗しました。"},
    {TextId::ReasonBitDepth, "非対応のビット深度です。"},
    {TextId::ReasonInterlace, "非対応のインターレース形式です。"},
    {TextId::ReasonHeader, "ヘッダ情報の読み込みに失敗しました。"},
    {TextId::ReasonExpand, "ファイルの展開に失敗しました。"},
    {TextId::ReasonImageNotCreated, "BMPオブジェクトの作成に失敗しました。"},
    {TextId::ReasonPixels, "イメージデータの取得に失敗しました。"},
    {TextId::ReasonTooManyPages, "ページ数が多すぎます。"},
    {TextId::ReasonPixelLayout, "非対応の画素形式です。"},
    {TextId::MovedToMonochromeCount, "モノクロに移動: %d"},
    {TextId::MovedToColorCount, "カラーに移動: %d"},
    {TextId::LeftInPlaceCount, "移動せず: %d"},
    {TextId::LogPath, "ログ: %s"},
    {TextId::NoLog, "ログ: なし"},
    {TextId::Cancelled, "中止しました: %d 個のファイルは処理していません（全 %d 個）"},
    {TextId::Stopping, "中止しています: 処理中のファイル %d 個（もう一度 Ctrl+C で打ち切ります）"},
    {TextId::Abandoning, "処理中のファイルを打ち切ります"},
    {TextId::RunAlreadyBusy, "振り分け処理を実行中です。"},
    {TextId::NoSuchPath, "ファイルまたはフォルダが存在しません。"},
    {TextId::SystemPermissionDenied, "アクセスが拒否されました"},
    {TextId::SystemNoSpace, "ディスクの空き容量が足りません"},
    {TextId::SystemReadOnly, "読み取り専用のファイルシステムです"},
    {TextId::SystemNameTaken, "同じ名前のファイルがあります"},
    {TextId::SystemNotFound, "フォルダが存在しません"},
    {TextId::WrongExtension, "実際は%sファイルです"},
    {TextId::TooLarge, "%u × %u ピクセルには %llu MiB が必要で、上限の %llu MiB を超えています"},
    {TextId::DecoderWarned, "破損があるまま判定しました: デコーダの警告 %ld 件（途中で切れているか、データが壊れています）"},
    {TextId::Interrupted, "中断しました"},
    {TextId::CannotReadLog, "ログ %s を読み込めません"},
    {TextId::NotALog, "%s はこのプログラムのログではありません"},
    {TextId::NoLogs, "ログはまだありません"},
    {TextId::SettingChanged, "%s=%s は %s として保存されます"},
    {TextId::SettingNoEffect, "%s は %s の間は効果がありません"},
    {TextId::RelativeFolder, "%s にはフルパスを指定して下さい（'%s' は相対パスです）"},
    {TextId::MissingFolder, "%s のフォルダ '%s' が存在しません"},
    {TextId::Progress, "%d/%d ファイル、毎秒 %.1f、残り %s"},
    {TextId::OnlyFolders, "%s にはフォルダしかありませんが、サブフォルダは対象外です（IS_SUBDIRS_TOO=0）: -r で振り分けます"},
};

constexpr std::size_t kCount = static_cast<std::size_t>(TextId::Count);

// Each table holds every text once, in the order of TextId, so a text is found by its number.
template <std::size_t N>
constexpr bool InOrder(const Entry (&table)[N]) {
    if (N != kCount) return false;
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(table[i].id) != i) return false;
    }
    return true;
}
static_assert(InOrder(kEnglish), "the English texts follow TextId, one each");
static_assert(InOrder(kJapanese), "the Japanese texts follow TextId, one each");

std::atomic<Language> CurrentLanguage{Language::Japanese};

bool StartsWithNoCase(const std::string& text, const char* start) {
    std::size_t i = 0;
    for (; start[i] != '\0'; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != start[i]) return false;
    }
    return true;
}

}  // namespace

Language LanguageOfLocaleName(const std::string& name) {
    // "ja", "ja_JP", "ja_JP.UTF-8", "ja_JP.eucJP@..." and the long name some systems use.
    if (StartsWithNoCase(name, "japanese")) return Language::Japanese;
    if (StartsWithNoCase(name, "ja") && (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '@')) {
        return Language::Japanese;
    }
    return Language::English;
}

Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value != nullptr && value[0] != '\0') return LanguageOfLocaleName(value);
    }
    return Language::English;
}

Language TextLanguage() { return CurrentLanguage.load(); }

void SetTextLanguage(Language language) { CurrentLanguage = language; }

const char* TextIn(Language language, TextId id) {
    const std::size_t index = static_cast<std::size_t>(id);
    if (index >= kCount) return "";
    return (language == Language::Japanese ? kJapanese : kEnglish)[index].text;
}

const char* Text(TextId id) { return TextIn(TextLanguage(), id); }
