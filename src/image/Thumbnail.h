// A small picture of a file for people to look at (the console's report page): decoded whole,
// whatever the judgment would have settled from the header, shrunk and shown over white.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct Thumbnail {
    int width = 0, height = 0;                // of the thumbnail
    int pictureWidth = 0, pictureHeight = 0;  // of the picture it shows
    std::vector<std::uint8_t> rgb;            // rows from the top, three bytes a pixel, no padding
};

// The picture of `path` shrunk so that its long side is at most `longSide` pixels (never
// enlarged). False when the file cannot be decoded, or is too large to be decoded whole.
bool MakeThumbnail(const std::filesystem::path& path, int longSide, Thumbnail& thumbnail);

// The thumbnail as an 8-bit RGB PNG file's bytes. False when libpng refuses.
bool EncodeThumbnailPng(const Thumbnail& thumbnail, std::string& png);
