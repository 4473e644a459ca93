// The report page: its items and their drawn evidence, and the thumbnails made from real files
// of every format, including those the judgment settles without decoding a pixel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Report.h"
#include "image/Thumbnail.h"
#include "platform/Files.h"
#include "support/BmpFiles.h"
#include "support/ImageFiles.h"

namespace {

using testimages::Rgb;

ReportItem Judged(const std::string& path, int verdict, DecidingRule rule) {
    ReportItem item;
    item.path = path;
    item.judged = true;
    item.verdict = verdict;
    item.evidence.rule = rule;
    return item;
}

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(ReportPage, EveryItemCarriesItsPathVerdictAndTheEvidenceThatMadeItColour) {
    ReportItem perceptual = Judged("/p/a \"b\" <c>.png", 0, DecidingRule::Perceptual);
    perceptual.evidence.regionX = 40;
    perceptual.evidence.regionY = 10;
    perceptual.evidence.regionWidth = 20;
    perceptual.evidence.regionHeight = 5;
    perceptual.evidence.largestRegion = 100;
    perceptual.evidence.areaLimit = 20;
    ReportItem vivid = Judged("/p/marks.png", 0, DecidingRule::Perceptual);
    vivid.evidence.regionX = 7;
    vivid.evidence.regionY = 8;
    vivid.evidence.regionWidth = 3;
    vivid.evidence.regionHeight = 3;
    vivid.evidence.largestRegion = 9;
    vivid.evidence.vividRegion = 12;
    vivid.evidence.areaLimit = 20;
    ReportItem gray = Judged("/p/gray.png", 0, DecidingRule::GrayscaleOnly);
    gray.evidence.notGrayPoints = 2;
    gray.evidence.notGrayX[0] = 3;
    gray.evidence.notGrayY[0] = 4;
    gray.evidence.notGrayX[1] = 5;
    gray.evidence.notGrayY[1] = 4;
    ReportItem tinted = Judged("/p/tinted.png", 0, DecidingRule::TintedMonochrome);
    tinted.evidence.strayChannel = 2;
    // A perceptual monochrome verdict draws nothing, even with a region below the limit.
    ReportItem mono = Judged("/p/mono.png", 1, DecidingRule::Perceptual);
    mono.evidence.regionX = 1;
    ReportItem failed;
    failed.path = "/p/broken.png";
    failed.error = "[ERROR] broken";
    const std::vector<ReportItem> items{perceptual, gray, tinted, mono, failed, vivid};
    std::vector<ReportPicture> pictures(items.size());
    pictures[0] = ReportPicture{"r_files/0.png", 200, 100, 200, 100};

    const std::string page = ReportPage(ReportSummary{"judge", {{"THREAD_NUM", "4"}}, {}, 1.5, ""}, items, pictures);
    struct Row {
        const char* part;
        int times;
    } const rows[] = {
        {R"(data-path="/p/a &quot;b&quot; &lt;c&gt;.png" data-verdict="color")", 1},
        {R"(data-verdict="color")", 5},  // four items and their section
        {R"(data-verdict="monochrome")", 2},
        {R"(data-verdict="error")", 2},
        {R"(<div class="region" data-region="40,10,20,5" style="left:20.000%;top:10.000%;width:10.000%;height:5.000%">)", 1},
        {R"(data-region="3,4,1,1")", 1},
        {R"(data-region="5,4,1,1")", 1},
        {R"(data-channel="blue")", 1},
        {"data-region=", 4},
        {R"(data-region="7,8,3,3")", 1},
        {"perceptual: region of 100 px (limit 20)", 1},
        {"perceptual: vivid marks of 12 px, below the area limit 20", 1},
        {R"(<img loading="lazy" decoding="async" src="r_files/0.png" width="200" height="100")", 1},
        {"no picture", 5},
        {"<td>4</td>", 1},
        {"http", 0},
        {"//", 0},
    };
    for (const Row& row : rows) EXPECT_EQ(row.times, Count(page, row.part)) << row.part;
}

struct ThumbnailCase {
    const char* name;
    testimages::Bytes bytes;
    int width, height;  // the thumbnail's
    Rgb centre;
};

testimages::Bytes GrayPng(int width, int height) {
    testimages::PngPicture p;
    p.width = width;
    p.height = height;
    p.colourType = 0;
    p.samples.assign(static_cast<std::size_t>(width) * height, 90);
    return testimages::EncodePng(p);
}

testimages::Bytes GrayJpeg(int width, int height) {
    testimages::JpegPicture p;
    p.width = width;
    p.height = height;
    p.components = 1;
    p.samples.assign(static_cast<std::size_t>(width) * height, 200);
    return testimages::EncodeJpeg(p);
}

// A frame whose right half is the transparent index: shown over white.
testimages::Bytes HalfTransparentGif() {
    testimages::GifPicture p;
    p.screenWidth = p.screenHeight = 8;
    p.globalMap = {Rgb{0, 0, 255}, Rgb{0, 0, 0}};
    p.transparentIndex = 1;
    testimages::GifFrame frame;
    frame.width = frame.height = 8;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) frame.indices.push_back(x < 4 ? 0 : 1);
    }
    p.frames.push_back(frame);
    return testimages::EncodeGif(p);
}

// A 24-bit bitmap of one colour, stored bottom-up.
testimages::Bytes SolidBmp(int width, int height, Rgb colour) {
    BmpFields bmp;
    bmp.width = width;
    bmp.height = height;
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x) row.insert(row.end(), {colour.blue, colour.green, colour.red});
        row.resize((row.size() + 3) / 4 * 4, 0);
        bmp.rows.push_back(row);
    }
    return BuildBmp(bmp);
}

testimages::Bytes SolidWebP(int width, int height, Rgb colour) {
    testimages::WebPImage picture;
    picture.width = width;
    picture.height = height;
    for (int i = 0; i < width * height; ++i) picture.pixels.insert(picture.pixels.end(), {colour.red, colour.green, colour.blue});
    return testimages::EncodeWebP(picture);
}

// An 8-bit gray TIFF page, as bytes.
testimages::Bytes GrayTiff(int width, int height) {
    testimages::TiffPage page;
    page.width = width;
    page.height = height;
    page.samplesPerPixel = 1;
    page.photometric = 1;  // black is zero
    page.samples.assign(static_cast<std::size_t>(width) * height, 70);
    testimages::TempFolder folder;
    EXPECT_TRUE(testimages::WriteTiff(folder.File("page.tif"), {page}));
    return testimages::ReadFileBytes(folder.File("page.tif"));
}

TEST(Thumbnail, EveryFormatShrinksToAtMost256PixelsWithItsColours) {
    const std::vector<ThumbnailCase> cases{
        {"gray.png", GrayPng(600, 300), 256, 128, Rgb{90, 90, 90}},  // settled by its header alone
        {"gray.jpg", GrayJpeg(1000, 500), 256, 128, Rgb{200, 200, 200}},
        {"small.png", GrayPng(30, 20), 30, 20, Rgb{90, 90, 90}},  // never enlarged
        {"half.gif", HalfTransparentGif(), 8, 8, Rgb{255, 255, 255}},
        {"red.bmp", SolidBmp(300, 600, Rgb{255, 0, 0}), 128, 256, Rgb{255, 0, 0}},
        {"green.webp", SolidWebP(512, 100, Rgb{0, 160, 0}), 256, 50, Rgb{0, 160, 0}},
        {"gray.tif", GrayTiff(40, 400), 25, 256, Rgb{70, 70, 70}},  // settled by its directory alone
    };
    testimages::TempFolder folder;
    for (const ThumbnailCase& c : cases) {
        testimages::WriteFileBytes(folder.File(c.name), c.bytes);
        Thumbnail t;
        ASSERT_TRUE(MakeThumbnail(folder.File(c.name), 256, t)) << c.name;
        EXPECT_EQ(c.width, t.width) << c.name;
        EXPECT_EQ(c.height, t.height) << c.name;
        const std::size_t centre = (static_cast<std::size_t>(t.height / 2) * t.width + t.width / 2) * 3;
        EXPECT_NEAR(c.centre.red, t.rgb[centre], 2) << c.name;
        EXPECT_NEAR(c.centre.green, t.rgb[centre + 1], 2) << c.name;
        EXPECT_NEAR(c.centre.blue, t.rgb[centre + 2], 2) << c.name;
    }
}

TEST(Thumbnail, BrokenAndUnsupportedFilesHaveNone) {
    testimages::TempFolder folder;
    testimages::Bytes cut = GrayPng(64, 64);
    cut.resize(cut.size() / 2);
    testimages::WriteFileBytes(folder.File("cut.png"), cut);
    testimages::WriteFileBytes(folder.File("notes.txt"), {'h', 'i'});
    testimages::WriteFileBytes(folder.File("empty.jpg"), {});
    for (const char* name : {"cut.png", "notes.txt", "empty.jpg", "missing.gif"}) {
        Thumbnail t;
        EXPECT_FALSE(MakeThumbnail(folder.File(name), 256, t)) << name;
    }
}

TEST(WriteReport, ThePageAndItsThumbnailsLieSideBySide) {
    testimages::TempFolder folder;
    testimages::WriteFileBytes(folder.File("gray.png"), GrayPng(512, 512));
    ReportItem item = Judged(folder.File("gray.png").string(), 1, DecidingRule::Header);
    item.picture = folder.File("gray.png");
    ReportItem missing = Judged(folder.File("gone.png").string(), 0, DecidingRule::Perceptual);
    missing.picture = folder.File("gone.png");

    const std::filesystem::path page = folder.File("my report.html");
    ASSERT_EQ("", WriteReport(page, ReportSummary{"sort", {}, {}, 0.0, "/logs/x.log"}, {item, missing}));
    std::string html, png;
    ASSERT_TRUE(platform::ReadWholeFile(page, html));
    EXPECT_NE(std::string::npos, html.find(R"(src="my%20report.html_files/0.png" width="256" height="256")"));
    EXPECT_NE(std::string::npos, html.find("/logs/x.log"));
    ASSERT_TRUE(platform::ReadWholeFile(folder.File("my report.html_files/0.png"), png));
    EXPECT_EQ("\x89PNG", png.substr(0, 4));
    EXPECT_FALSE(std::filesystem::exists(folder.File("my report.html_files/1.png")));

    // A page that cannot be written is a failure, not a silent success.
    testimages::WriteFileBytes(folder.File("blocker"), {'x'});
    EXPECT_NE("", WriteReport(folder.File("blocker") / "x.html", ReportSummary{}, {}));
}

}  // namespace
