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
}

TEST(ImageKind, AnythingElseIsUnsupported) {
    for (const char* ext : {"", ".", ".txt", ".tif", ".pn", ".pngx", "png", ".jpg ", ".ｐｎｇ"}) {
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
