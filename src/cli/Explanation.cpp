#include "cli/Explanation.h"

#include "judge/JudgeImage.h"
#include "platform/Text.h"

namespace {

const char* RuleName(DecidingRule rule) {
    switch (rule) {
        case DecidingRule::Header: return "header";
        case DecidingRule::ColourTable: return "colour table";
        case DecidingRule::GrayscaleOnly: return "grayscale-only";
        case DecidingRule::TintedMonochrome: return "tinted-monochrome";
        case DecidingRule::Perceptual: return "perceptual";
        case DecidingRule::None: break;
    }
    return "none";
}

// The tinted criterion's share of falls among all steps, in percent; -1 without steps.
double FallPercent(const JudgeEvidence& e) {
    const std::int64_t steps = e.falls + e.steadySteps;
    return steps == 0 ? -1.0 : 100.0 * static_cast<double>(e.falls) / static_cast<double>(steps);
}

// The share of narrow channel values; -1 without any filled value.
double NarrowShare(const JudgeEvidence& e) {
    const int values = e.narrow + e.wide;
    return values == 0 ? -1.0 : static_cast<double>(e.narrow) / values;
}

std::string Short(double value) { return FormatText("%.4g", value); }

// The perceptual criterion's words: what was averaged, what is coloured, what decided.
std::string ExplainPerceptual(const JudgeEvidence& e, const JudgeParams& params) {
    std::string text = FormatText(": cells of %d px (%d x %d), %s %% coloured beyond THRESHOLD_PERCEPTUAL %s, ",
                                  e.cellSide, e.cellsWide, e.cellsHigh, Short(100.0 * e.chromaticShare).c_str(),
                                  Short(params.THRESHOLD_PERCEPTUAL).c_str());
    if (e.largestRegion > 0) {
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
    std::string text = RuleName(e.rule);
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
    if (e.decoderWarnings >= 0) text += FormatText("; JPEG decoder warnings %ld", e.decoderWarnings);
    return text;
}

JsonObject ExplainAsJson(const JudgeEvidence& e, const JudgeParams& params) {
    JsonObject json;
    // One word, for scripts: "colour-table" rather than the words' "colour table".
    std::string rule = RuleName(e.rule);
    for (char& c : rule) c = c == ' ' ? '-' : c;
    json.Add("rule", rule);
    switch (e.rule) {
        case DecidingRule::Header:
        case DecidingRule::ColourTable:
            json.Add("detail", e.detail);
            if (e.colourEntries > 0) json.Add("colour_entries", e.colourEntries);
            break;
        case DecidingRule::GrayscaleOnly:
            json.Add("step", e.step).Add("samples", e.samples).Add("not_gray", e.notGray);
            json.Add("not_gray_percent", e.notGrayPercent);
            if (e.largestSpread < 0) json.AddNull("largest_spread"); else json.Add("largest_spread", e.largestSpread);
            json.Add("THRESHOLD_GS", params.THRESHOLD_GS).Add("NOISE_LIMIT_GS", params.NOISE_LIMIT_GS);
            break;
        case DecidingRule::TintedMonochrome: {
            json.Add("step", e.step).Add("samples", e.samples).Add("falls", e.falls);
            json.Add("steady_steps", e.steadySteps);
            const double percent = FallPercent(e);
            if (percent < 0) json.AddNull("falls_percent"); else json.Add("falls_percent", percent);
            json.Add("fall_tolerance", e.fallTolerance).Add("narrow", e.narrow).Add("wide", e.wide);
            const double share = NarrowShare(e);
            if (share < 0) json.AddNull("narrow_share"); else json.Add("narrow_share", share);
            json.Add("THRESHOLD_MONO", params.THRESHOLD_MONO).Add("ERROR_LIMIT_MONO", params.ERROR_LIMIT_MONO);
            break;
        }
        case DecidingRule::Perceptual:
            json.Add("cell_side", e.cellSide).Add("cells_wide", e.cellsWide).Add("cells_high", e.cellsHigh);
            json.Add("chromatic_share", e.chromaticShare).Add("largest_region", e.largestRegion);
            if (e.largestRegion > 0) {
                json.Add("region_x", e.regionX).Add("region_y", e.regionY).Add("region_chroma", e.regionChroma);
            } else {
                json.AddNull("region_x").AddNull("region_y").AddNull("region_chroma");
            }
            json.Add("area_limit", e.areaLimit).AddBool("toned", e.toned);
            json.Add("tone_chroma", e.toneChroma).Add("tone_hue", e.toneHue);
            json.Add("cast_a", e.castA).Add("cast_b", e.castB);
            json.Add("THRESHOLD_PERCEPTUAL", params.THRESHOLD_PERCEPTUAL);
            json.Add("AREA_LIMIT_PERCEPTUAL", params.AREA_LIMIT_PERCEPTUAL);
            break;
        case DecidingRule::None: break;
    }
    if (e.pictureRows > 0) {
        json.Add("rows", e.pictureRows);
        if (e.settledAfterRows >= 0) json.Add("settled_after_rows", e.settledAfterRows); else json.AddNull("settled_after_rows");
        json.AddBool("settled_by_coefficients", e.settledByCoefficients);
    }
    if (e.decoderWarnings >= 0) json.Add("decoder_warnings", static_cast<std::int64_t>(e.decoderWarnings));
    return json;
}
