#include "image/ImageKind.h"

#include <gtest/gtest.h>

TEST(ImageKind, ExtensionsChooseTheirDecoderWithoutRegardToCase) {
    EXPECT_EQ(ImageKind::Png, ImageKindFromExtension(".png"));
    EXPECT_EQ(ImageKind::Gif, ImageKindFromExtension(".GIF"));
    EXPECT_EQ(ImageKind::Bmp, ImageKindFromExtension(".Bmp"));
    EXPECT_EQ(ImageKind::Bmp, ImageKindFromExtension(".dib"));
    for (const char* ext : {".JPG", ".Jpeg", ".jpe", ".JFIF", ".jfi", ".jif"}) {
        EXPECT_EQ(ImageKind::Jpeg, ImageKindFromExtension(ext)) << ext;
    }
    EXPECT_EQ(ImageKind::Tiff, ImageKindFromExtension(".TIF"));
    EXPECT_EQ(ImageKind::Tiff, ImageKindFromExtension(".tiff"));
    EXPECT_EQ(ImageKind::WebP, ImageKindFromExtension(".WebP"));
}

TEST(ImageKind, FirstBytesNameTheirFormat) {
    const struct {
        std::string bytes;
        ImageKind kind;
    } rows[] = {
        {std::string("\x89PNG\r\n\x1a\n", 8), ImageKind::Png},
        {"GIF89a", ImageKind::Gif},
        {"\xff\xd8\xff\xe0", ImageKind::Jpeg},
        {"BM", ImageKind::Bmp},
        {std::string("II*\0", 4), ImageKind::Tiff},
        {std::string("MM\0*", 4), ImageKind::Tiff},
        {std::string("II+\0\x08\0\0\0", 8), ImageKind::Tiff},
        {std::string("MM\0+", 4), ImageKind::Tiff},
        {std::string("RIFF\x10\0\0\0WEBPVP8L", 16), ImageKind::WebP},
        {std::string("RIFF\x10\0\0\0WAVEfmt ", 16), ImageKind::Unsupported},
        {std::string("RIFF\x10\0\0\0WEB", 11), ImageKind::Unsupported},
        {std::string("II*", 3), ImageKind::Unsupported},
        {"", ImageKind::Unsupported},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.kind, ImageKindFromContent(row.bytes.data(), row.bytes.size())) << row.bytes;
    }
    EXPECT_STREQ("TIFF", ImageKindName(ImageKind::Tiff));
    EXPECT_STREQ("WebP", ImageKindName(ImageKind::WebP));
}

TEST(ImageKind, AnythingElseIsUnsupported) {
    for (const char* ext : {"", ".", ".txt", ".tga", ".tif ", ".pn", ".pngx", "png", ".jpg ", ".ｐｎｇ"}) {
        EXPECT_EQ(ImageKind::Unsupported, ImageKindFromExtension(ext)) << ext;
    }
}

TEST(ImageKind, ExtensionStartsAtTheLastDotOfTheFinalComponent) {
    EXPECT_EQ(".png", ExtensionOf("/tmp/dir/.png"));
    EXPECT_EQ(".txt", ExtensionOf("/tmp/dir/picture.png.txt"));
    EXPECT_EQ(".", ExtensionOf("/tmp/dir/name."));
    EXPECT_EQ("", ExtensionOf("/tmp/dir.d/name"));
    EXPECT_EQ(".JPG", ExtensionOf("PHOTO.JPG"));
}
