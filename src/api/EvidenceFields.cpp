#include "api/EvidenceFields.h"

#include <cstdint>
#include <string>

namespace {

using pallidor::EvidenceField;
using pallidor::EvidenceValue;

// Appends fields in order; each Add names one member as the JSON output spells it.
class FieldList {
public:
    FieldList& Add(const char* name, const std::string& text) {
        EvidenceValue value;
        value.kind = EvidenceValue::Kind::Text;
        value.text = text;
        return Push(name, value);
    }
    FieldList& Add(const char* name, std::int64_t number) {
        EvidenceValue value;
        value.kind = EvidenceValue::Kind::Integer;
        value.integer = number;
        return Push(name, value);
    }
    FieldList& Add(const char* name, int number) { return Add(name, std::int64_t{number}); }
    // Counts never come near 2^63; they are unsigned only because they count.
    FieldList& Add(const char* name, std::uint64_t number) { return Add(name, static_cast<std::int64_t>(number)); }
    FieldList& Add(const char* name, double number) {
        EvidenceValue value;
        value.kind = EvidenceValue::Kind::Real;
        value.real = number;
        return Push(name, value);
    }
    FieldList& AddBool(const char* name, bool flag) {
        EvidenceValue value;
        value.kind = EvidenceValue::Kind::Bool;
        value.boolean = flag;
        return Push(name, value);
    }
    FieldList& AddNull(const char* name) { return Push(name, EvidenceValue{}); }
    // A share or percentage that has no value without anything to count (-1).
    FieldList& AddOrNull(const char* name, double number) {
        return number < 0 ? AddNull(name) : Add(name, number);
    }

    std::vector<EvidenceField> fields;

private:
    FieldList& Push(const char* name, const EvidenceValue& value) {
        fields.push_back(EvidenceField{name, value});
        return *this;
    }
};

}  // namespace

double FallPercent(const JudgeEvidence& e) {
    const std::int64_t steps = e.falls + e.steadySteps;
    return steps == 0 ? -1.0 : 100.0 * static_cast<double>(e.falls) / static_cast<double>(steps);
}

double NarrowShare(const JudgeEvidence& e) {
    const int values = e.narrow + e.wide;
    return values == 0 ? -1.0 : static_cast<double>(e.narrow) / values;
}

const char* DecidingRuleName(DecidingRule rule) {
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

std::vector<EvidenceField> EvidenceFields(const JudgeEvidence& e, const JudgeParams& params) {
    FieldList list;
    std::string rule = DecidingRuleName(e.rule);
    for (char& c : rule) c = c == ' ' ? '-' : c;
    list.Add("rule", rule);
    switch (e.rule) {
        case DecidingRule::Header:
        case DecidingRule::ColourTable:
            list.Add("detail", std::string(e.detail));
            if (e.colourEntries > 0) list.Add("colour_entries", e.colourEntries);
            break;
        case DecidingRule::GrayscaleOnly:
            list.Add("step", e.step).Add("samples", e.samples).Add("not_gray", e.notGray);
            list.Add("not_gray_percent", e.notGrayPercent);
            if (e.largestSpread < 0) list.AddNull("largest_spread"); else list.Add("largest_spread", e.largestSpread);
            list.Add("THRESHOLD_GS", params.THRESHOLD_GS).Add("NOISE_LIMIT_GS", params.NOISE_LIMIT_GS);
            break;
        case DecidingRule::TintedMonochrome:
            list.Add("step", e.step).Add("samples", e.samples).Add("falls", e.falls);
            list.Add("steady_steps", e.steadySteps).AddOrNull("falls_percent", FallPercent(e));
            list.Add("fall_tolerance", e.fallTolerance).Add("narrow", e.narrow).Add("wide", e.wide);
            list.AddOrNull("narrow_share", NarrowShare(e));
            list.Add("THRESHOLD_MONO", params.THRESHOLD_MONO).Add("ERROR_LIMIT_MONO", params.ERROR_LIMIT_MONO);
            break;
        case DecidingRule::Perceptual:
            list.Add("cell_side", e.cellSide).Add("cells_wide", e.cellsWide).Add("cells_high", e.cellsHigh);
            list.Add("chromatic_share", e.chromaticShare).Add("largest_region", e.largestRegion);
            if (e.largestRegion > 0) {
                list.Add("region_x", e.regionX).Add("region_y", e.regionY).Add("region_chroma", e.regionChroma);
            } else {
                list.AddNull("region_x").AddNull("region_y").AddNull("region_chroma");
            }
            list.Add("area_limit", e.areaLimit).AddBool("toned", e.toned);
            list.Add("tone_chroma", e.toneChroma).Add("tone_hue", e.toneHue);
            list.Add("cast_a", e.castA).Add("cast_b", e.castB);
            list.Add("THRESHOLD_PERCEPTUAL", params.THRESHOLD_PERCEPTUAL);
            list.Add("AREA_LIMIT_PERCEPTUAL", params.AREA_LIMIT_PERCEPTUAL);
            break;
        case DecidingRule::None: break;
    }
    // Where the ordinary judgment, which stops reading at its verdict, settled the file.
    if (e.pictureRows > 0) {
        list.Add("rows", e.pictureRows);
        if (e.settledAfterRows >= 0) list.Add("settled_after_rows", e.settledAfterRows); else list.AddNull("settled_after_rows");
        list.AddBool("settled_by_coefficients", e.settledByCoefficients);
    }
    if (e.page > 0) list.Add("page", e.page).Add("pages_judged", e.pagesJudged);
    if (e.decoderWarnings >= 0) list.Add("decoder_warnings", static_cast<std::int64_t>(e.decoderWarnings));
    return list.fields;
}
