// The public API as a caller sees it: settings by key, the verdict and evidence of a file and
// of the same bytes in memory, and each failure with its stable code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pallidor/Judge.h"
#include "support/ImageFiles.h"
#include "support/TestFiles.h"

using namespace testimages;

namespace {

PngPicture Flat(int width, int height, Rgb colour) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    for (int i = 0; i < width * height; ++i) {
        picture.samples.insert(picture.samples.end(), {colour.red, colour.green, colour.blue});
    }
    return picture;
}

JpegPicture GrayJpeg() {
    JpegPicture picture;
    picture.width = 16;
    picture.height = 8;
    picture.components = 1;
    picture.samples.assign(16 * 8, 128);
    return picture;
}

GifPicture TwoGrayGif() {
    GifPicture picture;
    picture.screenWidth = picture.screenHeight = 4;
    picture.globalMap = {{30, 30, 30}, {200, 200, 200}};
    GifFrame frame;
    frame.width = frame.height = 4;
    frame.indices = {0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0};
    picture.frames.push_back(frame);
    return picture;
}

std::string Text(const pallidor::EvidenceValue& value) {
    switch (value.kind) {
        case pallidor::EvidenceValue::Kind::Null: return "null";
        case pallidor::EvidenceValue::Kind::Bool: return value.boolean ? "true" : "false";
        case pallidor::EvidenceValue::Kind::Integer: return std::to_string(value.integer);
        case pallidor::EvidenceValue::Kind::Real: return std::to_string(value.real);
        case pallidor::EvidenceValue::Kind::Text: return value.text;
    }
    return "?";
}

std::string Evidence(const pallidor::Judgment& judgment) {
    std::string text;
    for (const auto& field : judgment.evidence) text += field.name + "=" + Text(field.value) + " ";
    return text;
}

}  // namespace

TEST(JudgeApiParams, KeysAreTheJudgmentsAndValuesAreBroughtIntoRange) {
    const struct {
        const char* key;
        const char* value;
        bool accepted;
        const char* stored;  // what Get gives afterwards
    } rows[] = {
        {"IS_PERCEPTUAL_JUDGE", "1", true, "1"},
        {"THRESHOLD_GS", "300", true, "255"},
        {"THRESHOLD_MONO", "12.5", true, "12.500000"},
        {"THRESHOLD_MONO", "1e1", true, "10.000000"},
        {"THRESHOLD_GS", "1.5", false, "0"},
        {"THRESHOLD_MONO", "abc", false, "8.000000"},
        {"THRESHOLD_MONO", "nan", false, "8.000000"},
        {"THREAD_NUM", "4", false, ""},
        {"DST_DIR_MONO", "/tmp", false, ""},
        {"NO_SUCH_KEY", "1", false, ""},
    };
    for (const auto& row : rows) {
        pallidor::JudgeParams params;
        std::string error;
        EXPECT_EQ(row.accepted, params.Set(row.key, row.value, &error)) << row.key << "=" << row.value;
        EXPECT_EQ(row.accepted, error.empty()) << row.key << ": " << error;
        EXPECT_EQ(row.stored, params.Get(row.key)) << row.key << "=" << row.value;
    }
}

TEST(JudgeApiParams, EveryKeyOfTheJudgmentInTheOrderOfTheFile) {
    std::vector<std::string> names;
    for (const auto& [name, value] : pallidor::JudgeParams().Keys()) names.push_back(name);
    EXPECT_EQ((std::vector<std::string>{"IS_ALL_PIXEL_JUDGE", "PIXELS_USE_IN_JUDGMENT", "IS_ONLY_GRAYSCALE",
                                        "THRESHOLD_GS", "NOISE_LIMIT_GS", "THRESHOLD_MONO", "ERROR_LIMIT_MONO",
                                        "IS_PERCEPTUAL_JUDGE", "THRESHOLD_PERCEPTUAL", "AREA_LIMIT_PERCEPTUAL"}),
              names);
}

TEST(JudgeApiParams, ASettingsFileGivesItsJudgmentKeysAndAMissingOneIsAnError) {
    TempFolder dir;
    WriteBytes(dir.File("a.ini"), "[SORT]\nTHREAD_NUM=3\n[JUDGMENT]\nIS_PERCEPTUAL_JUDGE=1\nTHRESHOLD_GS=12\n");
    pallidor::JudgeParams params;
    std::string error;
    ASSERT_TRUE(pallidor::LoadJudgeParams(dir.File("a.ini"), params, &error)) << error;
    EXPECT_EQ("1", params.Get("IS_PERCEPTUAL_JUDGE"));
    EXPECT_EQ("12", params.Get("THRESHOLD_GS"));
    EXPECT_EQ("8.000000", params.Get("THRESHOLD_MONO"));

    pallidor::JudgeParams untouched;
    EXPECT_FALSE(pallidor::LoadJudgeParams(dir.File("missing.ini"), untouched, &error));
    EXPECT_NE(std::string::npos, error.find("missing.ini"));
    EXPECT_FALSE(pallidor::LoadJudgeParams(dir.Path(), untouched, &error));
    EXPECT_EQ("0", untouched.Get("IS_PERCEPTUAL_JUDGE"));
}

TEST(JudgeApi, TheBytesOfAFileGiveTheVerdictAndEvidenceOfTheFile) {
    TempFolder dir;
    const struct {
        const char* name;
        Bytes bytes;
        pallidor::Verdict verdict;
        const char* rule;
    } rows[] = {
        {"gray.png", EncodePng(Flat(8, 8, {90, 90, 90})), pallidor::Verdict::Monochrome, "rule=grayscale-only"},
        {"red.png", EncodePng(Flat(8, 8, {200, 20, 20})), pallidor::Verdict::Color, "rule=grayscale-only"},
        {"gray.jpg", EncodeJpeg(GrayJpeg()), pallidor::Verdict::Monochrome, "rule=header"},
        {"two.gif", EncodeGif(TwoGrayGif()), pallidor::Verdict::Monochrome, "rule=colour-table"},
    };
    const pallidor::JudgeParams params;
    for (const auto& row : rows) {
        WriteFileBytes(dir.File(row.name), row.bytes);
        const pallidor::Judgment byPath = pallidor::JudgeFile(dir.File(row.name), params);
        const pallidor::Judgment byBytes = pallidor::JudgeBytes(row.bytes.data(), row.bytes.size(), params);
        EXPECT_EQ(row.verdict, byPath.verdict) << row.name << ": " << byPath.error;
        EXPECT_EQ(pallidor::ErrorCode::None, byPath.code) << row.name;
        EXPECT_EQ("", byPath.error) << row.name;
        EXPECT_EQ(0u, Evidence(byPath).find(row.rule)) << row.name << ": " << Evidence(byPath);
        EXPECT_EQ(row.verdict, byBytes.verdict) << row.name << ": " << byBytes.error;
        EXPECT_EQ(Evidence(byPath), Evidence(byBytes)) << row.name;
    }
}

TEST(JudgeApi, TheParametersDecide) {
    // Red 20 levels apart from gray: colour by default, monochrome with THRESHOLD_GS 30.
    const Bytes bytes = EncodePng(Flat(8, 8, {120, 100, 100}));
    pallidor::JudgeParams params;
    EXPECT_EQ(pallidor::Verdict::Color, pallidor::JudgeBytes(bytes.data(), bytes.size(), params).verdict);
    ASSERT_TRUE(params.Set("THRESHOLD_GS", "30", nullptr));
    const pallidor::Judgment judged = pallidor::JudgeBytes(bytes.data(), bytes.size(), params);
    EXPECT_EQ(pallidor::Verdict::Monochrome, judged.verdict);
    EXPECT_NE(std::string::npos, Evidence(judged).find("THRESHOLD_GS=30 "));
}

TEST(JudgeApi, EachFailureIsAValueWithItsCode) {
    TempFolder dir;
    const Bytes png = EncodePng(Flat(64, 64, {200, 20, 20}));
    const Bytes cut(png.begin(), png.begin() + 60);
    WriteFileBytes(dir.File("cut.png"), cut);
    WriteFileBytes(dir.File("notes.txt"), {'h', 'i'});
    WriteFileBytes(dir.File("png.jpg"), png);
    WriteFileBytes(dir.File("huge.png"), HugePng());
    std::filesystem::create_directory(dir.File("folder.png"));
    const struct {
        std::filesystem::path path;
        pallidor::ErrorCode code;
        const char* name;
        const char* error;
    } rows[] = {
        {dir.File("missing.png"), pallidor::ErrorCode::NotFound, "not-found",
         "【ERROR】PNGファイルの読み込みに失敗しました。"},
        {dir.File("folder.png"), pallidor::ErrorCode::NotAFile, "not-a-file",
         "【ERROR】PNGファイルの読み込みに失敗しました。"},
        {dir.File("notes.txt"), pallidor::ErrorCode::UnsupportedFormat, "unsupported",
         "【ERROR】非対応のファイル形式です。"},
        {dir.File("cut.png"), pallidor::ErrorCode::DecodeFailed, "decode-failed", "【ERROR】PNGファイルの読み込みに失敗しました。"},
        {dir.File("png.jpg"), pallidor::ErrorCode::WrongExtension, "wrong-extension",
         "【ERROR】JPEGファイルの読み込みに失敗しました。"},
        {dir.File("huge.png"), pallidor::ErrorCode::TooLarge, "too-large", "【ERROR】PNGファイルの読み込みに失敗しました。"},
    };
    const pallidor::JudgeParams params;
    for (const auto& row : rows) {
        const pallidor::Judgment judged = pallidor::JudgeFile(row.path, params);
        EXPECT_EQ(pallidor::Verdict::None, judged.verdict) << row.name;
        EXPECT_EQ(row.code, judged.code) << row.name << ": " << judged.error;
        EXPECT_STREQ(row.name, pallidor::ErrorCodeName(judged.code));
        EXPECT_EQ(0u, judged.error.find(row.error)) << row.name << ": " << judged.error;
        EXPECT_TRUE(judged.evidence.empty()) << row.name;
    }

    const struct {
        Bytes bytes;
        pallidor::ErrorCode code;
    } memoryRows[] = {
        {cut, pallidor::ErrorCode::DecodeFailed},
        {HugePng(), pallidor::ErrorCode::TooLarge},
        {Bytes{'h', 'i'}, pallidor::ErrorCode::UnsupportedFormat},
        {Bytes{}, pallidor::ErrorCode::UnsupportedFormat},
        {Bytes{'B', 'M'}, pallidor::ErrorCode::DecodeFailed},
        {Bytes{0xFF, 0xD8, 0xFF, 0xE0}, pallidor::ErrorCode::DecodeFailed},
    };
    for (const auto& row : memoryRows) {
        const pallidor::Judgment judged = pallidor::JudgeBytes(row.bytes.data(), row.bytes.size(), params);
        EXPECT_EQ(pallidor::Verdict::None, judged.verdict) << row.bytes.size() << " bytes";
        EXPECT_EQ(row.code, judged.code) << row.bytes.size() << " bytes: " << judged.error;
        EXPECT_EQ(0u, judged.error.find("【ERROR】")) << judged.error;
    }
}
