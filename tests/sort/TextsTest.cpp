// The console's language from the locale, and the loaders' texts in it.
#include "sort/Texts.h"

#include <gtest/gtest.h>

#include "sort/Messages.h"

namespace {

TEST(Texts, TheFirstLocaleVariableSetDecidesAndOnlyJapaneseNamesGiveJapanese) {
    const struct {
        const char* all;
        const char* messages;
        const char* lang;
        Language language;
    } rows[] = {
        {nullptr, nullptr, nullptr, Language::English},
        {nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
        {nullptr, nullptr, "ja", Language::Japanese},
        {nullptr, nullptr, "ja_JP.eucJP", Language::Japanese},
        {nullptr, nullptr, "Japanese_Japan.932", Language::Japanese},
        {nullptr, nullptr, "jam_JM", Language::English},  // Jamaican, not Japanese
        {nullptr, nullptr, "C.UTF-8", Language::English},
        {"", "", "ja_JP.UTF-8", Language::Japanese},       // an empty variable counts as unset
        {"C", nullptr, "ja_JP.UTF-8", Language::English},  // LC_ALL before LANG
        {nullptr, "en_US.UTF-8", "ja_JP.UTF-8", Language::English},
        {"ja_JP.UTF-8", "en_US.UTF-8", "C", Language::Japanese},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.language, LanguageOfLocale(row.all, row.messages, row.lang))
            << (row.all ? row.all : "-") << " " << (row.messages ? row.messages : "-") << " " << (row.lang ? row.lang : "-");
    }
}

TEST(Texts, ALoadersTextIsSaidInTheConsolesLanguageKeepingWhatNoTableKnows) {
    const std::pair<const char*, const char*> rows[] = {
        {"【ERROR】非対応のファイル形式です。", "[ERROR] unsupported file format."},
        {"【ERROR】BMPファイルの読み込みに失敗しました。", "[ERROR] the BMP file could not be read."},
        {"【ERROR】PNGファイルの読み込みに失敗しました。（PNGファイルではありません。）",
         "[ERROR] the PNG file could not be read (not a PNG file)."},
        {"【ERROR】GIFファイルの読み込みに失敗しました。（ファイルが不正です。）",
         "[ERROR] the GIF file could not be read (malformed file)."},
        {"【ERROR】TIFFファイルの読み込みに失敗しました。（ページ数が多すぎます。）",
         "[ERROR] the TIFF file could not be read (too many pages)."},
        {"【ERROR】TIFFファイルの読み込みに失敗しました。（非対応の画素形式です。）",
         "[ERROR] the TIFF file could not be read (unsupported pixel layout)."},
        {"【ERROR】WebPファイルの読み込みに失敗しました。（ファイルが不正です。）",
         "[ERROR] the WebP file could not be read (malformed file)."},
        // A library's own reason stays as the library gave it.
        {"【ERROR】JPEGファイルの読み込みに失敗しました。（Not a JPEG file: starts with 0x89 0x50）",
         "[ERROR] the JPEG file could not be read (Not a JPEG file: starts with 0x89 0x50)."},
        {"something else", "something else"},
        {"", ""},
    };
    SetTextLanguage(Language::English);
    for (const auto& [loader, english] : rows) EXPECT_EQ(english, messages::LoaderFailure(loader)) << loader;
    SetTextLanguage(Language::Japanese);
    for (const auto& row : rows) EXPECT_EQ(row.first, messages::LoaderFailure(row.first));
}

}  // namespace
