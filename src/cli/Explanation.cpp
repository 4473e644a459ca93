#include "cli/Explanation.h"

#include "api/EvidenceFields.h"
#include "judge/JudgeImage.h"
#include "platform/Text.h"

namespace {

std::string Short(double value) { return FormatText("%.4g", value); }

// The perceptual criterion's words: what was averaged, what is coloured, what decided.
std::string ExplainPerceptual(const JudgeEvidence& e, const JudgeParams& params) {
    std::string text = FormatText(": cells of %d px (%d x %d), %s %% coloured beyond THRESHOLD_PERCEPTUAL %s, ",
                                  e.cellSide, e.cellsWide, e.cellsHigh, Short(100.0 * e.chromaticShare).c_str(),
                                  Short(params.THRESHOLD_PERCEPTUAL).c_str());
    if (e.vividRegion > 0) {
        // Below the area limit, the vivid region decided: its place and colour are given.
        text += FormatText("largest coloured region %lld px, vivid regions of %lld px, the largest at (%d, %d) with colour %s",
                           static_cast<long long>(e.largestRegion), static_cast<long long>(e.vividRegion), e.regionX,
                           e.regionY, Short(e.regionChroma).c_str());
    } else if (e.largestRegion > 0) {
        text += FormatText("largest coloured region %lld px at (%d, %d) with colour %s",
                           static_cast<long long>(e.largestRegion), e.regionX, e.regionY,
                           Short(e.regionChroma).c_str());
    } else {
        text += "no coloured region";
    }
    text += FormatText(" (AREA_LIMIT_PERCEPTUAL %lld px)", static_cast<long long>(e.areaLimit));
    if (e.toned) {
        text += FormatText("; toned: hue %s deg, colour up to %s along lightness", Short(e.toneHue).c_str(),
                           Short(e.toneChroma).c_str());
    } else {
        text += FormatText("; not toned, cast a* %s b* %s taken off", Short(e.castA).c_str(), Short(e.castB).c_str());
    }
    return text;
}

}  // namespace

std::string ExplainInWords(const JudgeEvidence& e, const JudgeParams& params) {
    std::string text = DecidingRuleName(e.rule);
    switch (e.rule) {
        case DecidingRule::Header:
        case DecidingRule::ColourTable:
            text += FormatText(": %s", e.detail);
            if (e.colourEntries > 0) text += FormatText(" (%d entries)", e.colourEntries);
            break;
        case DecidingRule::GrayscaleOnly:
            text += FormatText(": step %s, %llu samples, %llu not gray (%llu %%, NOISE_LIMIT_GS %s), largest spread ",
                               Short(e.step).c_str(), static_cast<unsigned long long>(e.samples),
                               static_cast<unsigned long long>(e.notGray),
                               static_cast<unsigned long long>(e.notGrayPercent),
                               Short(params.NOISE_LIMIT_GS).c_str());
            text += e.largestSpread < 0 ? std::string("none") : std::to_string(e.largestSpread);
            text += FormatText(" (THRESHOLD_GS %d)", params.THRESHOLD_GS);
            break;
        case DecidingRule::TintedMonochrome: {
            const double percent = FallPercent(e);
            const double share = NarrowShare(e);
            text += FormatText(": step %s, %llu samples, %lld falls and %lld steady steps (%s, ERROR_LIMIT_MONO %s), "
                               "fall tolerance %d, %d narrow and %d wide indices (share %s, at least %s needed)",
                               Short(e.step).c_str(), static_cast<unsigned long long>(e.samples),
                               static_cast<long long>(e.falls), static_cast<long long>(e.steadySteps),
                               percent < 0 ? "no steps" : (Short(percent) + " %").c_str(),
                               Short(params.ERROR_LIMIT_MONO).c_str(), e.fallTolerance, e.narrow, e.wide,
                               share < 0 ? "none" : Short(share).c_str(), Short(kNarrowShare).c_str());
            break;
        }
        case DecidingRule::Perceptual: text += ExplainPerceptual(e, params); break;
        case DecidingRule::None: break;
    }
    // Where the ordinary judgment, which stops reading at its verdict, settled the file.
    if (e.settledByCoefficients) {
        text += "; settled from the chroma coefficients, all zero";
    } else if (e.pictureRows > 0 && e.settledAfterRows >= 0) {
        text += FormatText("; settled after %lld of %lld rows", static_cast<long long>(e.settledAfterRows),
                           static_cast<long long>(e.pictureRows));
    } else if (e.pictureRows > 0) {
        text += FormatText("; needed all %lld rows", static_cast<long long>(e.pictureRows));
    }
    if (e.page > 0) text += FormatText("; decided by page %d of %d judged", e.page, e.pagesJudged);
    if (e.decoderWarnings >= 0) text += FormatText("; JPEG decoder warnings %ld", e.decoderWarnings);
    return text;
}

JsonObject ExplainAsJson(const JudgeEvidence& e, const JudgeParams& params) {
    JsonObject json;
    for (const pallidor::EvidenceField& field : EvidenceFields(e, params)) {
        const char* name = field.name.c_str();
        const pallidor::EvidenceValue& value = field.value;
        switch (value.kind) {
            case pallidor::EvidenceValue::Kind::Null: json.AddNull(name); break;
            case pallidor::EvidenceValue::Kind::Bool: json.AddBool(name, value.boolean); break;
            case pallidor::EvidenceValue::Kind::Integer: json.Add(name, value.integer); break;
            case pallidor::EvidenceValue::Kind::Real: json.Add(name, value.real); break;
            case pallidor::EvidenceValue::Kind::Text: json.Add(name, value.text); break;
        }
    }
    return json;
}
