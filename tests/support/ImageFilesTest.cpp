// The builders are checked against the libraries' other readers, not against our loaders, so
// a builder fault cannot hide behind the same fault in a loader.
#include "support/ImageFiles.h"

#include <gtest/gtest.h>

#include <gif_lib.h>
#include <png.h>

using namespace testimages;

namespace {

struct MemoryReader {
    const Bytes* bytes;
    std::size_t at;
};

int ReadGifBytes(GifFileType* gif, GifByteType* out, int length) {
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    int n = 0;
    while (n < length && reader->at < reader->bytes->size()) out[n++] = (*reader->bytes)[reader->at++];
    return n;
}

}  // namespace

TEST(ImageFiles, GifFramesKeepPositionMapsAndPictureOrderWhenInterlaced) {
    GifPicture picture;
    picture.screenWidth = 20;
    picture.screenHeight = 20;
    picture.globalMap = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    GifFrame frame;
    frame.left = 5;
    frame.top = 6;
    frame.width = 2;
    frame.height = 8;
    frame.interlaced = true;
    frame.localMap = {{0, 0, 0}, {250, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (int r = 0; r < 8; ++r) frame.indices.insert(frame.indices.end(), {std::uint8_t(r), std::uint8_t(r)});
    picture.frames.push_back(frame);
    const Bytes bytes = EncodeGif(picture);

    MemoryReader reader{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGifBytes, &error);
    ASSERT_NE(nullptr, gif);
    ASSERT_EQ(GIF_OK, DGifSlurp(gif));
    ASSERT_EQ(1, gif->ImageCount);
    const SavedImage& saved = gif->SavedImages[0];
    EXPECT_EQ(5, saved.ImageDesc.Left);
    EXPECT_EQ(6, saved.ImageDesc.Top);
    EXPECT_TRUE(saved.ImageDesc.Interlace);
    ASSERT_NE(nullptr, saved.ImageDesc.ColorMap);
    EXPECT_EQ(8, saved.ImageDesc.ColorMap->ColorCount);
    EXPECT_EQ(250, saved.ImageDesc.ColorMap->Colors[1].Red);
    ASSERT_NE(nullptr, gif->SColorMap);
    EXPECT_EQ(4, gif->SColorMap->ColorCount);  // padded to a power of two
    EXPECT_EQ(0, gif->SColorMap->Colors[3].Blue);
    EXPECT_EQ(6, gif->SColorMap->Colors[1].Blue);
    // This reader restores picture order itself: row r must hold r.
    for (int r = 0; r < 8; ++r) EXPECT_EQ(r, saved.RasterBits[r * 2 + 1]) << r;
    DGifCloseFile(gif, &error);
}

TEST(ImageFiles, PngSamplesArePackedLeftmostInTheHighBits) {
    PngPicture picture;
    picture.width = 3;
    picture.height = 1;
    picture.colourType = 3;
    picture.bitDepth = 2;
    picture.palette = {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}};
    picture.samples = {3, 1, 2};
    const Bytes bytes = EncodePng(picture);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
    EXPECT_EQ(3u, image.width);
    image.format = PNG_FORMAT_RGB;
    std::uint8_t pixels[9] = {};
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels, 0, nullptr));
    EXPECT_EQ(30, pixels[0]);
    EXPECT_EQ(10, pixels[3]);
    EXPECT_EQ(20, pixels[6]);
}

TEST(ImageFiles, JpegBuildersWriteTheAskedComponents) {
    TempFolder dir;
    JpegPicture gray;
    gray.width = 2;
    gray.height = 2;
    gray.components = 1;
    gray.samples.assign(4, 7);
    const Bytes bytes = EncodeJpeg(gray);
    ASSERT_GT(bytes.size(), 100u);
    // Start of frame (baseline): its component count byte follows precision, height, width.
    std::size_t at = 2;
    while (at + 4 < bytes.size() && bytes[at + 1] != 0xC0) at += 2 + (bytes[at + 2] << 8 | bytes[at + 3]);
    ASSERT_LT(at + 9, bytes.size());
    EXPECT_EQ(1, bytes[at + 9]);

    WriteFileBytes(dir.File("a.jpg"), bytes);
    EXPECT_EQ(bytes, ReadFileBytes(dir.File("a.jpg")));
}
