#include "sort/Messages.h"

#include <cstring>

#include "platform/Text.h"

namespace messages {

const char* VerdictWord(bool monochrome, Language language) {
    return TextIn(language, monochrome ? TextId::VerdictMonochrome : TextId::VerdictColor);
}

std::string MovedOpening(bool monochrome, Language language) {
    return FormatText(TextIn(language, TextId::MovedOpening), VerdictWord(monochrome, language));
}

const char* MovedClosing(Language language) { return TextIn(language, TextId::MovedClosing); }

std::string Moved(bool monochrome, const std::string& target) {
    return MovedOpening(monochrome) + target + MovedClosing();
}

std::string MoveFailedOpening(bool monochrome, Language language) {
    return FormatText(TextIn(language, TextId::MoveFailedOpening), VerdictWord(monochrome, language));
}

const char* MoveFailedClosing(Language language) { return TextIn(language, TextId::MoveFailedClosing); }

std::string MoveFailed(bool monochrome, const std::string& target) {
    return MoveFailedOpening(monochrome) + target + MoveFailedClosing();
}

std::string MoveNotJournaled(bool monochrome, const std::string& target) {
    return FormatText(Text(TextId::MoveNotJournaled), VerdictWord(monochrome), target.c_str());
}

std::string InterruptedMoveLeft(const std::string& target) {
    return FormatText(Text(TextId::InterruptedMoveLeft), target.c_str());
}

std::string DestinationFolderFailed(bool monochrome, const std::string& folder) {
    return FormatText(Text(TextId::DestinationFolderFailed), VerdictWord(monochrome), folder.c_str());
}

std::string NotARegularFile() { return Text(TextId::NotARegularFile); }

std::string LinkLeft(bool monochrome) { return FormatText(Text(TextId::LinkLeft), VerdictWord(monochrome)); }

std::string DestinationIsLink(bool monochrome, const std::string& folder) {
    return FormatText(Text(TextId::DestinationIsLink), VerdictWord(monochrome), folder.c_str());
}

std::string NotMovedWithoutLog() { return Text(TextId::NotMovedWithoutLog); }

std::string LogWriteFailedStop(const std::string& logPath) {
    return FormatText(Text(TextId::LogWriteFailedStop), logPath.c_str());
}

std::string DestinationGone(const std::string& origin) {
    return FormatText(Text(TextId::DestinationGone), origin.c_str());
}

std::string DestinationChanged(const std::string& origin) {
    return FormatText(Text(TextId::DestinationChanged), origin.c_str());
}

std::string OriginTaken(const std::string& origin) { return FormatText(Text(TextId::OriginTaken), origin.c_str()); }

std::string OriginFolderFailed(const std::string& folder) {
    return FormatText(Text(TextId::OriginFolderFailed), folder.c_str());
}

std::string MoveBackFailed(const std::string& origin) {
    return FormatText(Text(TextId::MoveBackFailed), origin.c_str());
}

std::string MoveBackNotJournaled(const std::string& origin) {
    return FormatText(Text(TextId::MoveBackNotJournaled), origin.c_str());
}

std::string EmptyFolderRemoved() { return Text(TextId::EmptyFolderRemoved); }

namespace {

// The window's format names, as the loaders put them into their texts.
const char* const kFormats[] = {"JPEG", "PNG", "GIF", "BMP", "TIFF", "WebP"};

const TextId kReasons[] = {
    TextId::ReasonNoMemory, TextId::ReasonOpenForReading, TextId::ReasonOpen,    TextId::ReasonMalformed,
    TextId::ReasonRead,     TextId::ReasonNotPng,         TextId::ReasonPrepare, TextId::ReasonBitDepth,
    TextId::ReasonInterlace, TextId::ReasonHeader,        TextId::ReasonExpand,  TextId::ReasonImageNotCreated,
    TextId::ReasonPixels,   TextId::ReasonTooManyPages,   TextId::ReasonPixelLayout,
};

std::string TranslatedReason(const std::string& reason) {
    for (const TextId id : kReasons) {
        if (reason == TextIn(Language::Japanese, id)) return Text(id);
    }
    return reason;
}

}  // namespace

std::string LoaderFailure(const std::string& loaderText) {
    if (TextLanguage() == Language::Japanese || loaderText.empty()) return loaderText;
    if (loaderText == TextIn(Language::Japanese, TextId::UnsupportedFormat)) return Text(TextId::UnsupportedFormat);
    for (const char* format : kFormats) {
        const std::string plain = FormatText(TextIn(Language::Japanese, TextId::LoadFailed), format);
        if (loaderText == plain) return FormatText(Text(TextId::LoadFailed), format);
        // "...失敗しました。（REASON）": the plain text less nothing, then the reason in brackets.
        const std::string open = plain + "（";
        const std::string close = "）";
        if (loaderText.size() > open.size() + close.size() && loaderText.compare(0, open.size(), open) == 0 &&
            loaderText.compare(loaderText.size() - close.size(), close.size(), close) == 0) {
            const std::string reason = loaderText.substr(open.size(), loaderText.size() - open.size() - close.size());
            return FormatText(Text(TextId::LoadFailedBecause), format, TranslatedReason(reason).c_str());
        }
    }
    return loaderText;
}

}  // namespace messages
