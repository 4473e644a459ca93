// Images for the judgment tests, built in memory: a PixelView over a std::vector.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "judge/JudgeParams.h"
#include "judge/JudgeImage.h"
#include "judge/PixelView.h"

// Every judgment test starts with the default parameters.
class JudgeTest : public ::testing::Test {
protected:
    JudgeParams params;
};

// Pixel rows of any judged depth. Each row carries `padding` extra bytes after the stride that
// the format would need, filled with bytes that decode to no gray colour, so a judgment that
// steps rows by a wrong amount, or reads past a row's last pixel, meets colour.
class TestImage {
public:
    TestImage(int width, int height, int bitsPerPixel, int padding = 4)
        : width_(width), height_(height), bitsPerPixel_(bitsPerPixel) {
        stride_ = (width * bitsPerPixel + 31) / 32 * 4 + padding;
        pixels_.assign(static_cast<std::size_t>(stride_) * height, 0);
        const int used = (width * bitsPerPixel + 7) / 8;
        for (int r = 0; r < height; ++r) {
            for (int i = used; i < stride_; ++i) Row(r)[i] = static_cast<std::uint8_t>(0x35 + 0x4B * (i % 3));
        }
    }

    PixelView View() const {
        return PixelView{width_, height_, stride_, static_cast<std::uint16_t>(bitsPerPixel_), pixels_.data()};
    }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Palette depths: the colour-table index of one pixel.
    void SetIndex(int column, int row, unsigned index) {
        std::uint8_t* line = Row(row);
        switch (bitsPerPixel_) {
            case 2: {
                const int shift = (3 - column % 4) * 2;
                std::uint8_t& byte = line[column / 4];
                byte = static_cast<std::uint8_t>((byte & ~(3 << shift)) | ((index & 3) << shift));
                break;
            }
            case 4: {
                std::uint8_t& byte = line[column / 2];
                byte = column % 2 == 0 ? static_cast<std::uint8_t>((byte & 0x0F) | (index << 4))
                                       : static_cast<std::uint8_t>((byte & 0xF0) | (index & 0x0F));
                break;
            }
            case 8: line[column] = static_cast<std::uint8_t>(index); break;
            default: ADD_FAILURE() << "SetIndex on a " << bitsPerPixel_ << "-bit image";
        }
    }
    // 16 bits: the raw little-endian word.
    void SetWord(int column, int row, std::uint16_t word) {
        std::uint8_t* p = Row(row) + column * 2;
        p[0] = static_cast<std::uint8_t>(word & 0xFF);
        p[1] = static_cast<std::uint8_t>(word >> 8);
    }
    // 24 and 32 bits: the colour, stored blue, green, red (and a fourth byte for 32 bits).
    void SetRgb(int column, int row, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                std::uint8_t fourth = 0) {
        const int bytes = bitsPerPixel_ / 8;
        std::uint8_t* p = Row(row) + column * bytes;
        p[0] = blue;
        p[1] = green;
        p[2] = red;
        if (bytes == 4) p[3] = fourth;
    }
    std::uint8_t* Row(int row) { return pixels_.data() + static_cast<std::size_t>(row) * stride_; }

private:
    int width_;
    int height_;
    int bitsPerPixel_;
    int stride_;
    std::vector<std::uint8_t> pixels_;
};

// Two shades at every depth: gray (128,128,128) and red (248,0,0), which both criteria tell apart:
// in tinted mode gray plus red gives the red-indexed tables a fall from 256 to 0.
// Palette images use entry 0 for gray and entry 1 for red, and every other entry is red too, so
// that row padding decodes to red at every depth; 16-bit words hold 5-5-5 fields.
enum class Shade { Gray, Red };

class ShadedImage {
public:
    ShadedImage(int width, int height, int bitsPerPixel)
        : image_(width, height, bitsPerPixel), bitsPerPixel_(bitsPerPixel) {
        palette_.assign(bitsPerPixel <= 8 ? (1u << bitsPerPixel) : 0, RgbQuad{0, 0, 248, 0});
        if (!palette_.empty()) palette_[0] = RgbQuad{128, 128, 128, 0};
        Fill(Shade::Gray);
    }
    void Set(int column, int row, Shade shade) {
        const bool red = shade == Shade::Red;
        switch (bitsPerPixel_) {
            case 2: case 4: case 8: image_.SetIndex(column, row, red ? 1 : 0); break;
            case 16: image_.SetWord(column, row, red ? 31 << 10 : (16 << 10) | (16 << 5) | 16); break;
            default:
                if (red) image_.SetRgb(column, row, 248, 0, 0);
                else image_.SetRgb(column, row, 128, 128, 128);
        }
    }
    void Fill(Shade shade) {
        for (int r = 0; r < image_.Height(); ++r) SetRow(r, shade);
    }
    void SetRow(int row, Shade shade) {
        for (int c = 0; c < image_.Width(); ++c) Set(c, row, shade);
    }
    void SetColumn(int column, Shade shade) {
        for (int r = 0; r < image_.Height(); ++r) Set(column, r, shade);
    }
    // JudgeImage on this image: 1 monochrome, 0 colour; fails the test on an error text.
    int Judge(const JudgeParams& params) const {
        std::string errorText;
        const int verdict = JudgeImage(image_.View(), palette_.empty() ? nullptr : palette_.data(),
                                       static_cast<int>(palette_.size()), params, errorText);
        EXPECT_EQ("", errorText);
        return verdict;
    }

private:
    TestImage image_;
    int bitsPerPixel_;
    std::vector<RgbQuad> palette_;
};
