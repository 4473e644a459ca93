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
        case DecidingRule::None: break;
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
        case DecidingRule::None: break;
    }
    if (e.decoderWarnings >= 0) json.Add("decoder_warnings", static_cast<std::int64_t>(e.decoderWarnings));
    return json;
}
