// Headers claiming huge or empty pictures, judged in a child process whose peak resident size
// shows what they cost.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <zlib.h>

#include "image/DecodedImage.h"
#include "image/ImageKind.h"
#include "support/BmpFiles.h"
#include "support/ImageFiles.h"

namespace {

using testimages::Bytes;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

void Put16BigEndian(Bytes& bytes, std::size_t at, unsigned value) {
    bytes[at] = std::uint8_t(value >> 8);
    bytes[at + 1] = std::uint8_t(value);
}

void Put16LittleEndian(Bytes& bytes, std::size_t at, unsigned value) {
    bytes[at] = std::uint8_t(value);
    bytes[at + 1] = std::uint8_t(value >> 8);
}

testimages::PngPicture PngRgb(int width, int height) {
    testimages::PngPicture picture;
    picture.width = width;
    picture.height = height;
    for (int i = 0; i < width * height; ++i) picture.samples.insert(picture.samples.end(), {250, 10, 10});
    return picture;
}

// The header chunk rewritten with another size, its check value made right again.
Bytes PngClaiming(std::uint32_t width, std::uint32_t height) {
    Bytes png = testimages::EncodePng(PngRgb(1, 1));
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = std::uint8_t(width >> (24 - 8 * i));
        png[20 + i] = std::uint8_t(height >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 0; i < 4; ++i) png[29 + i] = std::uint8_t(crc >> (24 - 8 * i));
    return png;
}

testimages::JpegPicture JpegRgb(int width, int height, bool progressive) {
    testimages::JpegPicture picture;
    picture.width = width;
    picture.height = height;
    picture.progressive = progressive;
    picture.samples.assign(std::size_t(width) * height * 3, 0);
    for (std::size_t i = 0; i < picture.samples.size(); i += 3) picture.samples[i] = 240;
    return picture;
}

// The frame header's size fields rewritten; the scan data stays that of an 8x8 picture.
Bytes JpegClaiming(unsigned width, unsigned height, bool progressive, bool gray = false) {
    testimages::JpegPicture picture = JpegRgb(8, 8, progressive);
    if (gray) picture.samples.assign(picture.samples.size(), 90);
    Bytes jpeg = testimages::EncodeJpeg(picture);
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            Put16BigEndian(jpeg, i + 5, height);
            Put16BigEndian(jpeg, i + 7, width);
            break;
        }
    }
    return jpeg;
}

testimages::GifPicture GifColour(int width, int height) {
    testimages::GifPicture picture;
    picture.screenWidth = width;
    picture.screenHeight = height;
    picture.globalMap = {{0, 0, 0}, {255, 0, 0}};
    testimages::GifFrame frame;
    frame.width = width;
    frame.height = height;
    frame.indices.assign(std::size_t(width) * height, 1);
    picture.frames.push_back(frame);
    return picture;
}

// Screen and frame sizes rewritten (header, screen descriptor, two-colour map, descriptor).
Bytes GifClaiming(unsigned width, unsigned height) {
    Bytes gif = testimages::EncodeGif(GifColour(1, 1));
    Put16LittleEndian(gif, 6, width);
    Put16LittleEndian(gif, 8, height);
    const std::size_t descriptor = 13 + 2 * 3;
    EXPECT_EQ(',', gif[descriptor]);
    Put16LittleEndian(gif, descriptor + 5, width);
    Put16LittleEndian(gif, descriptor + 7, height);
    return gif;
}

Bytes BmpClaiming(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
    BmpFields bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.bitCount = bitCount;
    if (bitCount == 16) {
        bmp.compression = 3;
        bmp.masks = {0xF800, 0x07E0, 0x001F};
    }
    if (bitCount == 8) bmp.colours = {{0, 0, 0, 0}, {0, 0, 255, 0}};
    bmp.colourUsed = bitCount == 8 ? 2 : 0;
    bmp.pixelData = {0x12, 0x34, 0x56, 0x78};
    return BuildBmp(bmp);
}

struct Case {
    std::string name;
    Bytes bytes;
    bool sampled = false;  // judged from a sampling grid instead of every pixel
};

// What the child reports: one "name<TAB>verdict<TAB>text" line per file, then the growth of
// its peak resident size in kilobytes.
std::string JudgeInChild(const testimages::TempFolder& dir, const std::vector<Case>& cases, long& growthKb) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        std::string report;
        for (const Case& c : cases) {
            std::string errorText;
            JudgeParams params;
            params.IS_ALL_PIXEL_JUDGE = c.sampled ? 0 : 1;
            const int verdict = JudgeFileByExtension(dir.File(c.name), params, errorText);
            report += c.name + "\t" + std::to_string(verdict) + "\t" + errorText + "\n";
        }
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        report += std::to_string(after.ru_maxrss - before.ru_maxrss) + "\n";
        if (write(pipeFds[1], report.data(), report.size()) != static_cast<ssize_t>(report.size())) _exit(1);
        _exit(0);
    }
    close(pipeFds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, std::size_t(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child died: " << status;
    const std::size_t lastLine = report.rfind('\n', report.size() - 2);
    growthKb = std::stol(report.substr(lastLine + 1));
    return report.substr(0, lastLine + 1);
}

TEST(HostileFiles, HugeEmptyAndNarrowPicturesGiveTheLoadersMessagesWithoutTouchingMemory) {
    testimages::TempFolder dir;
    const std::vector<Case> cases = {
        {"claims-65535-squared.png", PngClaiming(65535, 65535)},
        {"claims-2^31-pixels.png", PngClaiming(65536, 32768)},
        {"claims-2^31-wide.png", PngClaiming(0x7FFFFFFF, 1)},
        {"zero-wide.png", PngClaiming(0, 5)},
        {"1x1.png", testimages::EncodePng(PngRgb(1, 1))},
        {"1x100000.png", testimages::EncodePng(PngRgb(1, 100000))},
        {"claims-65535-squared.jpg", JpegClaiming(65535, 65535, false)},
        {"claims-65500-squared.jpg", JpegClaiming(65500, 65500, false)},
        {"claims-65500-squared-progressive.jpg", JpegClaiming(65500, 65500, true)},
        {"claims-2^31-pixels.jpg", JpegClaiming(65500, 32787, false)},
        {"claims-65500-squared-gray.jpg", JpegClaiming(65500, 65500, false, true)},
        {"zero-high.jpg", JpegClaiming(8, 0, false)},
        {"1x1.jpg", testimages::EncodeJpeg(JpegRgb(1, 1, false))},
        {"1x65500.jpg", testimages::EncodeJpeg(JpegRgb(1, 65500, false))},
        {"claims-65535-squared.gif", GifClaiming(65535, 65535)},
        {"claims-2^31-pixels.gif", GifClaiming(65535, 32769)},
        {"zero-size.gif", GifClaiming(0, 0)},
        {"1x1.gif", testimages::EncodeGif(GifColour(1, 1))},
        {"1x65535.gif", testimages::EncodeGif(GifColour(1, 65535))},
        {"claims-65535-squared.bmp", BmpClaiming(65535, 65535, 24)},
        {"claims-65535-squared-565.bmp", BmpClaiming(65535, 65535, 16)},
        {"claims-2^31-pixels.bmp", BmpClaiming(65536, 32768, 8)},
        // Judged: sampled, so that reading a blank gigabyte costs milliseconds.
        {"claims-a-gigabyte-565.bmp", BmpClaiming(16384, 32767, 16), true},
        {"zero-wide.bmp", BmpClaiming(0, 5, 24)},
        {"1x1.bmp", BuildBmp(BmpFields{40, 1, 1, 1, 24, 0, 0, 0, {}, {}, {{0, 0, 255}}, {}, {}})},
        {"1x100000.bmp", BuildBmp(BmpFields{40, 1, 100000, 1, 24, 0, 0, 0, {}, {}, std::vector<Bytes>(100000, Bytes{0, 0, 255}), {}, {}})},
    };
    for (const Case& c : cases) testimages::WriteFileBytes(dir.File(c.name), c.bytes);

    const auto started = std::chrono::steady_clock::now();
    long growthKb = 0;
    const std::string report = JudgeInChild(dir, cases, growthKb);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const std::string png = "【ERROR】PNGファイルの読み込みに失敗しました。";
    const std::string jpeg = "【ERROR】JPEGファイルの読み込みに失敗しました。";
    const std::string gif = "【ERROR】GIFファイルの読み込みに失敗しました。";
    const std::string bmp = "【ERROR】BMPファイルの読み込みに失敗しました。";
    EXPECT_EQ("claims-65535-squared.png\t1\t" + png + "（BMPオブジェクトの作成に失敗しました。）\n"
              "claims-2^31-pixels.png\t1\t" + png + "（BMPオブジェクトの作成に失敗しました。）\n"
              "claims-2^31-wide.png\t1\t" + png + "（ファイルを開くのに失敗しました。）\n"
              "zero-wide.png\t1\t" + png + "（ファイルを開くのに失敗しました。）\n"
              "1x1.png\t0\t\n"
              "1x100000.png\t0\t\n"
              "claims-65535-squared.jpg\t1\t" + jpeg + "（ヘッダ情報の読み込みに失敗しました。）\n"
              "claims-65500-squared.jpg\t1\t" + jpeg + "（BMPオブジェクトの作成に失敗しました。）\n"
              "claims-65500-squared-progressive.jpg\t1\t" + jpeg + "（ファイルの展開に失敗しました。）\n"
              "claims-2^31-pixels.jpg\t1\t" + jpeg + "（BMPオブジェクトの作成に失敗しました。）\n"
              // Rows go to the judgment as they are decoded, but a picture too large to have been
              // decoded whole is not filled in where its data runs out: it fails as before.
              "claims-65500-squared-gray.jpg\t1\t" + jpeg + "（BMPオブジェクトの作成に失敗しました。）\n"
              "zero-high.jpg\t1\t" + jpeg + "（ヘッダ情報の読み込みに失敗しました。）\n"
              "1x1.jpg\t0\t\n"
              "1x65500.jpg\t0\t\n"
              "claims-65535-squared.gif\t1\t" + gif + "（ファイルが不正です。）\n"
              "claims-2^31-pixels.gif\t1\t" + gif + "（ファイルが不正です。）\n"
              "zero-size.gif\t1\t" + gif + "（ファイルが不正です。）\n"
              "1x1.gif\t0\t\n"
              "1x65535.gif\t0\t\n"
              "claims-65535-squared.bmp\t1\t" + bmp + "\n"
              "claims-65535-squared-565.bmp\t1\t" + bmp + "\n"
              "claims-2^31-pixels.bmp\t1\t" + bmp + "\n"
              // Rows a file does not supply are black, as for any bitmap cut short.
              "claims-a-gigabyte-565.bmp\t1\t\n"
              "zero-wide.bmp\t1\t" + bmp + "\n"
              "1x1.bmp\t0\t\n"
              "1x100000.bmp\t0\t\n",
              report);
    // Refused sizes are never allocated, and the blank gigabyte is never written to. The address
    // sanitizer writes one shadow byte for every eight allocated: 128 MB for that gigabyte.
    EXPECT_LT(growthKb, (kAddressSanitizer ? 192 : 64) * 1024);
    EXPECT_LT(seconds, 10.0);
}

}  // namespace
