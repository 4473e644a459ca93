#include "image/DecodedImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/MemoryBudget.h"
#include "judge/JudgeImage.h"

// Loaders and the judgment compute row offsets as row x stride in int and size_t; with every
// image under this cap none of them can wrap, on the 32-bit build either.
static_assert(kMaxImageBytes <= INT32_MAX, "row offsets must fit a 32-bit int");

namespace {

bool IsCreatableDepth(std::uint16_t bitCount) {
    switch (bitCount) {
        case 1: case 2: case 4: case 8: case 16: case 24: case 32: return true;
        default: return false;
    }
}

}  // namespace

bool FitsWholeImage(std::int64_t width, std::int64_t height, int bitsPerPixel) {
    if (width <= 0 || height <= 0 || bitsPerPixel <= 0 || width > INT32_MAX || height > INT32_MAX) return false;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel) + 31) / 32 * 4;
    return stride * static_cast<std::uint64_t>(height) <= kMaxImageBytes;
}

DecodedImage* CreateDecodedImage(const BitmapInfoHeader& header, const RgbQuad* colourTable,
                                 ImageRows rows) {
    if (header.width <= 0 || header.height == 0 || header.planes != 1 || header.compression != 0 ||
        !IsCreatableDepth(header.bitCount)) {
        return nullptr;
    }
    // Every product in 64 bits: width and height are below 2^31 and the depth at most 32,
    // so nothing here can wrap, and the cap keeps the result addressable on 32-bit builds.
    const std::uint64_t width = static_cast<std::uint32_t>(header.width);
    const std::uint64_t height = header.height < 0 ? 0 - static_cast<std::int64_t>(header.height)
                                                   : static_cast<std::uint64_t>(header.height);
    const std::uint64_t stride = (width * header.bitCount + 31) / 32 * 4;
    const std::uint64_t bytes = stride * height;
    if (stride > INT32_MAX || height > INT32_MAX || bytes > kMaxImageBytes) return nullptr;

    int colourCount = 0;
    if (header.bitCount <= 8) {
        const std::uint32_t nominal = 1u << header.bitCount;
        colourCount = static_cast<int>(header.clrUsed == 0 ? nominal : std::min(header.clrUsed, nominal));
    }

    const std::uint64_t budgetBytes = bytes + static_cast<std::uint64_t>(colourCount) * sizeof(RgbQuad);
    if (!ReserveImageMemory(budgetBytes)) return nullptr;
    auto* image = new (std::nothrow) DecodedImage;
    if (image == nullptr) {
        ReleaseImageMemory(budgetBytes);
        return nullptr;
    }
    image->budgetBytes = budgetBytes;
    image->width = static_cast<std::int32_t>(width);
    image->height = static_cast<std::int32_t>(height);
    image->bitsPerPixel = header.bitCount;
    image->stride = static_cast<std::int32_t>(stride);
    image->topDown = header.height < 0;
    if (rows == ImageRows::Zeroed) {
        image->bits = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(bytes), 1));
    } else {
        image->bits = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(bytes)));
        const std::size_t used = static_cast<std::size_t>((width * header.bitCount + 7) / 8);
        const std::size_t padding = static_cast<std::size_t>(stride) - used;
        if (image->bits != nullptr && padding > 0) {
            for (std::size_t r = 0; r < static_cast<std::size_t>(height); ++r) {
                std::memset(StoredRow(*image, r) + used, 0, padding);
            }
        }
    }
    if (colourCount > 0) {
        image->colourTable = static_cast<RgbQuad*>(std::calloc(static_cast<std::size_t>(colourCount), sizeof(RgbQuad)));
        image->colourCount = colourCount;
        if (image->colourTable != nullptr && colourTable != nullptr) {
            std::memcpy(image->colourTable, colourTable, static_cast<std::size_t>(colourCount) * sizeof(RgbQuad));
        }
    }
    if (image->bits == nullptr || (colourCount > 0 && image->colourTable == nullptr)) {
        DestroyDecodedImage(image);
        return nullptr;
    }
    return image;
}

void DestroyDecodedImage(DecodedImage* image) {
    if (image == nullptr) return;
    std::free(image->bits);
    std::free(image->colourTable);
    ReleaseImageMemory(image->budgetBytes);
    delete image;
}

PixelView DescribeImage(const DecodedImage& image) {
    PixelView view{image.width, image.height, image.stride, image.bitsPerPixel, image.bits};
    view.alpha = image.alpha;
    view.sourceScale = image.sourceScale;
    view.topDown = image.topDown;
    return view;
}

int JudgeDecodedImage(const DecodedImage& image, const JudgeParams& params, std::string& errorText,
                      JudgeEvidence* evidence) {
    return JudgeImage(DescribeImage(image), image.colourTable, image.colourCount, params, errorText,
                      evidence);
}

ImageBuilder::~ImageBuilder() { DestroyDecodedImage(image_); }

bool ImageBuilder::BeginRows(const RowFormat& format) {
    DestroyDecodedImage(image_);
    image_ = nullptr;
    BitmapInfoHeader header;
    header.width = format.width;
    header.height = format.topDown ? -format.height : format.height;
    header.bitCount = format.bitsPerPixel;
    header.clrUsed = static_cast<std::uint32_t>(std::max(0, format.colourCount));
    header.clrImportant = header.clrUsed;
    image_ = CreateDecodedImage(header, format.colourCount > 0 ? format.colourTable : nullptr);
    if (image_ == nullptr) return false;
    image_->alpha = format.alpha;
    image_->sourceScale = format.sourceScale;
    rowBytes_ = std::min(static_cast<std::size_t>(image_->stride),
                         std::max(format.rowBytes, (static_cast<std::size_t>(image_->width) * image_->bitsPerPixel + 7) / 8));
    return true;
}

bool ImageBuilder::TakeRow(std::int32_t pictureRow, const std::uint8_t* pixels) {
    if (image_ != nullptr && pictureRow >= 0 && pictureRow < image_->height) {
        std::memcpy(PictureRow(*image_, static_cast<std::size_t>(pictureRow)), pixels, rowBytes_);
    }
    return true;
}

DecodedImage* ImageBuilder::Release() {
    DecodedImage* image = image_;
    image_ = nullptr;
    return image;
}

bool SendImageRows(const DecodedImage& image, RowSink& sink) {
    RowFormat format = RowFormatOf(DescribeImage(image));
    format.colourTable = image.colourTable;
    format.colourCount = image.colourCount;
    if (!sink.BeginRows(format)) return false;
    for (std::int32_t r = 0; r < image.height && !sink.Satisfied(); ++r) {
        const std::int32_t pictureRow = image.topDown ? r : image.height - 1 - r;
        if (!sink.TakeRow(pictureRow, StoredRow(image, static_cast<std::size_t>(r)))) break;
    }
    return true;
}
