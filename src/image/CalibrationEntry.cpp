// The evidence of one file for calibration: decoded as the judgment decodes it, once for the
// channel criteria and, for a JPEG the perceptual criterion reads at a reduced size, once more.
#include "image/CalibrationEntry.h"

#include "image/BitmapFile.h"
#include "image/DecodedImage.h"
#include "image/ImageKind.h"
#include "judge/CalibrationEvidence.h"
#include "judge/JudgeImage.h"

namespace {

DecodedImage* LoadByKind(ImageKind kind, const std::filesystem::path& path, bool reduced, int& earlyVerdict,
                         std::string& errorText) {
    std::string reason;
    DecodedImage* image = nullptr;
    switch (kind) {
        case ImageKind::Jpeg: image = LoadJpegFile(path, earlyVerdict, reason, nullptr, reduced); break;
        case ImageKind::Png: image = LoadPngFile(path, earlyVerdict, reason); break;
        case ImageKind::Gif: image = LoadGifFile(path, earlyVerdict, reason); break;
        case ImageKind::Tiff: image = LoadTiffFile(path, earlyVerdict, reason); break;
        case ImageKind::WebP: image = LoadWebPFile(path, earlyVerdict, reason); break;
        case ImageKind::Bmp:
            image = LoadBmpFile(path, earlyVerdict);
            if (image == nullptr && earlyVerdict == kNoEarlyVerdict) image = platform::LoadBitmapFile(path);
            break;
        case ImageKind::Unsupported: errorText = "unsupported file type"; return nullptr;
    }
    if (image == nullptr && earlyVerdict == kNoEarlyVerdict) {
        errorText = reason.empty() ? std::string("cannot be decoded") : reason;
    }
    return image;
}

}  // namespace

bool GatherFileEvidence(const std::filesystem::path& path, const JudgeParams& params,
                        CalibrationEvidence& evidence, std::string& errorText) {
    const ImageKind kind = ImageKindFromExtension(ExtensionOf(path));
    int earlyVerdict = kNoEarlyVerdict;
    DecodedImage* image = LoadByKind(kind, path, false, earlyVerdict, errorText);
    if (earlyVerdict != kNoEarlyVerdict) {
        DestroyDecodedImage(image);
        evidence.fixedVerdict = earlyVerdict == kEarlyMonochrome ? 1 : 0;
        return true;
    }
    if (image == nullptr) return false;
    const PixelView view = DescribeImage(*image);
    if (!IsJudgedDepth(view.bitsPerPixel)) {
        DestroyDecodedImage(image);
        errorText = "unsupported bit depth";
        return false;
    }
    GatherChannelEvidence(view, image->colourTable, image->colourCount, params, evidence);
    if (kind != ImageKind::Jpeg) {
        GatherPerceptualEvidence(view, image->colourTable, image->colourCount, evidence);
        DestroyDecodedImage(image);
        return true;
    }
    DestroyDecodedImage(image);
    image = LoadByKind(kind, path, true, earlyVerdict, errorText);
    if (image == nullptr) return false;
    GatherPerceptualEvidence(DescribeImage(*image), image->colourTable, image->colourCount, evidence);
    DestroyDecodedImage(image);
    return true;
}
