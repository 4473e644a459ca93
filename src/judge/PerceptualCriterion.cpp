// The perceptual criterion. The picture is averaged into cells of at most kCellGridSide on its
// long side, which also cancels most of the one-pixel colour fringes that scanners, lenses and
// sub-pixel text rendering leave on both sides of a stroke, and converted to CIELAB. Colour
// that follows lightness along one hue (a toned print, a tinted paper) is taken off along a
// curve fitted over lightness, or else a faint uniform cast; colour explained by fringes is
// discounted; and what colour is left must form a connected region of some area before the
// picture counts as colour.
#include "judge/PerceptualCriterion.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "judge/JudgeImage.h"
#include "judge/RowCriteria.h"
#include "judge/SampleGrid.h"

namespace {

// Cells on the long side: fine enough that a coloured dot of a few tens of pixels still fills
// a cell in a page scanned at 300 dpi, coarse enough that the work after averaging is small.
constexpr int kCellGridSide = 512;
// A step in lightness explains this much colour beside it, per unit of the step (fringes,
// demosaicing, smoothed edges).
constexpr float kEdgeChromaPerLightness = 0.3f;
// Toning curve: lightness bins, how steeply the curve may change (units per lightness unit
// plus a fixed allowance for the noise of a bin's median), and how far its hue may wander.
constexpr int kLightnessBins = 50;
constexpr double kCurveSlope = 4.5;
constexpr double kCurveSlack = 4.0;
// A gap in lightness that no cells fill bridges no more change than this many units of it: a
// logo of one colour on white is two clusters with a gap between, not a curve.
constexpr double kCurveBridge = 6.0;
constexpr double kToneSpan = 30.0;
constexpr double kToneHueSpread = 50.0;
constexpr double kWeakToneHueSpread = 80.0;
constexpr double kToneChromaFloor = 5.0;
// The largest uniform cast taken off a picture that is not toned.
constexpr double kMaxCast = 8.0;

constexpr double kPi = 3.14159265358979323846;

// A vector's length; std::hypot guards against overflow that colour differences never reach,
// at several times the cost.
inline float Length(float a, float b) { return std::sqrt(a * a + b * b); }
inline double Length(double a, double b) { return std::sqrt(a * a + b * b); }

// sRGB to linear light, and the CIELAB companding, as tables: a cube root per cell costs more
// than the averaging of the whole picture.
struct LabTables {
    float linear[1021];   // by channel value in quarters, 0..255
    float compand[4097];  // f(t) for t = i / 4096
    LabTables() {
        for (int v = 0; v <= 1020; ++v) {
            const double c = v / 1020.0;
            linear[v] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        for (int i = 0; i <= 4096; ++i) {
            const double t = i / 4096.0;
            compand[i] = static_cast<float>(t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0);
        }
    }
    // A cell's average channel value, to a quarter.
    float Linear(float value) const { return linear[std::clamp(static_cast<int>(value * 4.0f + 0.5f), 0, 1020)]; }
    float Compand(float t) const {
        t = std::clamp(t, 0.0f, 1.0f) * 4096.0f;
        const int i = std::min(static_cast<int>(t), 4095);
        const float f = t - static_cast<float>(i);
        return compand[i] + (compand[i + 1] - compand[i]) * f;
    }
};

const LabTables& Tables() {
    static const LabTables tables;
    return tables;
}

struct Lab {
    float l, a, b;
};

Lab ToLab(const LabTables& t, float red, float green, float blue) {
    const float r = t.Linear(red), g = t.Linear(green), b = t.Linear(blue);
    // D65 white.
    const float x = (0.4124564f * r + 0.3575761f * g + 0.1804375f * b) / 0.95047f;
    const float y = 0.2126729f * r + 0.7151522f * g + 0.0721750f * b;
    const float z = (0.0193339f * r + 0.1191920f * g + 0.9503041f * b) / 1.08883f;
    const float fx = t.Compand(x), fy = t.Compand(y), fz = t.Compand(z);
    return Lab{116.0f * fy - 16.0f, 500.0f * (fx - fy), 200.0f * (fy - fz)};
}

// Sums of red, green and blue per cell of one row of cells.
struct CellSums {
    std::uint32_t red, green, blue;
};

template <int Depth, bool Alpha>
inline SampleColour PixelAt(const std::uint8_t* row, int column, const ColourTable& table) {
    if constexpr (Depth <= 8) {
        const RgbQuad& entry = table.entries[judge_detail::PixelDecoder<Depth>::Index(row, column)];
        if constexpr (Alpha) {
            // The picture as shown over white: colour x alpha + white x (1 - alpha).
            const unsigned alpha = entry.reserved, rest = 255u - alpha;
            return SampleColour{static_cast<std::uint8_t>((entry.red * alpha + 255u * rest + 127u) / 255u),
                                static_cast<std::uint8_t>((entry.green * alpha + 255u * rest + 127u) / 255u),
                                static_cast<std::uint8_t>((entry.blue * alpha + 255u * rest + 127u) / 255u)};
        }
        return judge_detail::FromEntry(entry);
    } else if constexpr (Depth == 32 && Alpha) {
        const std::uint8_t* p = row + std::ptrdiff_t{column} * 4;
        const unsigned alpha = p[3], rest = 255u - alpha;
        return SampleColour{static_cast<std::uint8_t>((p[2] * alpha + 255u * rest + 127u) / 255u),
                            static_cast<std::uint8_t>((p[1] * alpha + 255u * rest + 127u) / 255u),
                            static_cast<std::uint8_t>((p[0] * alpha + 255u * rest + 127u) / 255u)};
    } else {
        return judge_detail::PixelDecoder<Depth>::At(row, column, table);
    }
}

// Adds one row's pixels to the sums of its row of cells. Every pixel is read once.
template <int Depth, bool Alpha>
void AddRowToCells(const std::uint8_t* row, int width, int factor, const ColourTable& table, CellSums* sums) {
    int column = 0;
    for (int cx = 0; column < width; ++cx) {
        const int columnEnd = std::min(width, column + factor);
        std::uint32_t red = 0, green = 0, blue = 0;
        for (; column < columnEnd; ++column) {
            const SampleColour c = PixelAt<Depth, Alpha>(row, column, table);
            red += c.red;
            green += c.green;
            blue += c.blue;
        }
        CellSums& s = sums[cx];
        s.red += red;
        s.green += green;
        s.blue += blue;
    }
}

using AddRowFunction = void (*)(const std::uint8_t*, int, int, const ColourTable&, CellSums*);

template <bool Alpha>
AddRowFunction AddRowOfDepth(int depth) {
    switch (depth) {
        case 2: return AddRowToCells<2, Alpha>;
        case 4: return AddRowToCells<4, Alpha>;
        case 8: return AddRowToCells<8, Alpha>;
        case 16: return AddRowToCells<16, false>;
        case 24: return AddRowToCells<24, false>;
        case 32: return AddRowToCells<32, Alpha>;
        default: return nullptr;  // the judgment entry refuses every other depth first
    }
}

// The picture averaged into cells, row by row in any order: the sums are whole numbers, so
// the cells come out the same whatever order the rows arrive in.
class CellAverage {
public:
    CellAverage(const RowFormat& format, const ColourTable& table) : table_(table), width_(format.width), height_(format.height) {
        // The cell is fixed in pixels of the stored picture, so a picture decoded at a reduced
        // size is cut into the same cells as when decoded whole.
        scale_ = std::max(1, format.sourceScale);
        const std::int64_t sourceLong = std::int64_t{std::max(format.width, format.height)} * scale_;
        const int sourceSide = PerceptualCellSide(static_cast<int>(std::min<std::int64_t>(INT32_MAX, sourceLong)), 1);
        factor_ = std::max(1, (sourceSide + scale_ / 2) / scale_);
        wide_ = (format.width + factor_ - 1) / factor_;
        high_ = (format.height + factor_ - 1) / factor_;
        sums_.assign(static_cast<std::size_t>(wide_) * high_, CellSums{0, 0, 0});
        addRow_ = format.alpha ? AddRowOfDepth<true>(format.bitsPerPixel) : AddRowOfDepth<false>(format.bitsPerPixel);
    }

    void AddRow(std::int32_t memoryRow, const std::uint8_t* row) {
        if (addRow_ == nullptr || memoryRow < 0 || memoryRow >= height_) return;
        addRow_(row, width_, factor_, table_, &sums_[static_cast<std::size_t>(memoryRow / factor_) * wide_]);
    }

    // The cells in CIELAB, and the grid's measures into `cells`.
    void Convert(std::vector<Lab>& lab, PerceptualCells& cells) const {
        const LabTables& tables = Tables();
        cells.factor = factor_;
        cells.cellPixels = factor_ * scale_;
        cells.width = wide_;
        cells.height = high_;
        lab.resize(sums_.size());
        for (int cy = 0; cy < high_; ++cy) {
            const int rows = std::min(height_, (cy + 1) * factor_) - cy * factor_;
            for (int cx = 0; cx < wide_; ++cx) {
                const int columns = std::min(width_, (cx + 1) * factor_) - cx * factor_;
                const float scale = 1.0f / static_cast<float>(rows * columns);
                const std::size_t i = static_cast<std::size_t>(cy) * wide_ + cx;
                const CellSums& s = sums_[i];
                lab[i] = ToLab(tables, s.red * scale, s.green * scale, s.blue * scale);
            }
        }
    }

private:
    const ColourTable& table_;
    std::int32_t width_, height_;
    int scale_ = 1, factor_ = 1, wide_ = 0, high_ = 0;
    std::vector<CellSums> sums_;
    AddRowFunction addRow_ = nullptr;
};

// Median of a histogram of 256 one-unit bins holding values -128..127.
double HistogramMedian(const std::uint32_t* histogram, std::uint32_t total) {
    std::uint32_t seen = 0;
    for (int i = 0; i < 256; ++i) {
        seen += histogram[i];
        if (2 * seen >= total) return i - 128;
    }
    return 0.0;
}

int HistogramIndex(float value) {
    // Rounded to the nearest unit (halves away from zero do not matter for a median).
    return std::clamp(static_cast<int>(std::floor(value + 0.5f)), -128, 127) + 128;
}

// The toning curve: per lightness bin the median a* and b*, accepted when it changes smoothly
// along lightness and keeps one hue. Returns false for anything else; then `curve` holds a
// uniform cast, bounded, in every bin.
struct CurvePoint {
    double lightness, a, b;
};

// A toning whose highlights clip at 255 loses first one channel, then two: above the lightness
// where the tone's colour is strongest, its colour bends towards yellow-white and fades to white
// within a few units of lightness, faster than any tone changes elsewhere. Past that point a
// colour between the curve's and white (of the curve's hue, only paler) is on the curve. Below
// the middle of the lightness range a peak is no clip; +infinity then.
constexpr double kClipFloor = 50.0;

double ClipLightness(const std::vector<CurvePoint>& curve) {
    double strongest = 0.0, at = 1e9;
    for (const CurvePoint& p : curve) {
        const double chroma = Length(p.a, p.b);
        if (chroma > strongest) {
            strongest = chroma;
            at = p.lightness;
        }
    }
    return at >= kClipFloor ? at : 1e9;
}

// The colour (a, b) off the fade from the tone (toneA, toneB) to white: its distance from the
// segment between them. The residual's components go to (residualA, residualB) when asked.
double OffFade(double a, double b, double toneA, double toneB, float* residualA = nullptr,
               float* residualB = nullptr) {
    const double tone2 = toneA * toneA + toneB * toneB;
    const double t = tone2 > 0.0 ? std::clamp((a * toneA + b * toneB) / tone2, 0.0, 1.0) : 0.0;
    const double ra = a - t * toneA, rb = b - t * toneB;
    if (residualA != nullptr) *residualA = static_cast<float>(ra);
    if (residualB != nullptr) *residualB = static_cast<float>(rb);
    return Length(ra, rb);
}

bool FitToningCurve(const std::vector<Lab>& cells, std::vector<CurvePoint>& curve, double& castA,
                    double& castB) {
    std::vector<std::uint32_t> histograms(static_cast<std::size_t>(kLightnessBins) * 512, 0);
    std::vector<std::uint32_t> counts(kLightnessBins, 0);
    std::vector<std::uint32_t> allA(256, 0), allB(256, 0);
    for (const Lab& c : cells) {
        const int bin = std::clamp(static_cast<int>(c.l * (kLightnessBins / 100.0f)), 0, kLightnessBins - 1);
        const int ia = HistogramIndex(c.a), ib = HistogramIndex(c.b);
        ++histograms[static_cast<std::size_t>(bin) * 512 + ia];
        ++histograms[static_cast<std::size_t>(bin) * 512 + 256 + ib];
        ++counts[bin];
        ++allA[ia];
        ++allB[ib];
    }
    const auto total = static_cast<std::uint32_t>(cells.size());
    castA = std::clamp(HistogramMedian(allA.data(), total), -kMaxCast, kMaxCast);
    castB = std::clamp(HistogramMedian(allB.data(), total), -kMaxCast, kMaxCast);

    // Bins too thin to have a meaningful median are bridged by their neighbours.
    const std::uint32_t populated = std::max<std::uint32_t>(4, total / 500);
    curve.clear();
    for (int bin = 0; bin < kLightnessBins; ++bin) {
        if (counts[bin] < populated) continue;
        const std::uint32_t* h = &histograms[static_cast<std::size_t>(bin) * 512];
        curve.push_back(CurvePoint{(bin + 0.5) * 100.0 / kLightnessBins, HistogramMedian(h, counts[bin]),
                                   HistogramMedian(h + 256, counts[bin])});
    }
    double strongest = 0.0;
    for (const CurvePoint& p : curve) strongest = std::max(strongest, Length(p.a, p.b));
    const double clipFrom = ClipLightness(curve);
    bool smooth = !curve.empty();
    for (std::size_t i = 1; i < curve.size() && smooth; ++i) {
        // Past the clip the tone may fade towards white as steeply as it likes.
        const double step = curve[i].lightness > clipFrom
                                ? OffFade(curve[i].a, curve[i].b, curve[i - 1].a, curve[i - 1].b)
                                : Length(curve[i].a - curve[i - 1].a, curve[i].b - curve[i - 1].b);
        smooth = step <= kCurveSlope * std::min(kCurveBridge, curve[i].lightness - curve[i - 1].lightness) + kCurveSlack;
    }
    // One hue: the strong part of the curve (at least half its largest colour) stays near the
    // mean direction of that part. Weak colour has an unsteady hue, and a sepia print drifts
    // from red-brown in its shadows to yellow in its highlights.
    const double strong = std::max(kToneChromaFloor, 0.5 * strongest);
    double sumA = 0.0, sumB = 0.0;
    for (const CurvePoint& p : curve) {
        if (Length(p.a, p.b) >= strong) {
            sumA += p.a;
            sumB += p.b;
        }
    }
    // The weaker part may wander further, but not to another hue altogether (a dark teal
    // under a pale yellow is two colours, not a tone).
    bool oneHue = true;
    const double meanLength = Length(sumA, sumB);
    for (const CurvePoint& p : curve) {
        const double chroma = Length(p.a, p.b);
        if (chroma < kToneChromaFloor) continue;
        const double spread = chroma >= strong ? kToneHueSpread : kWeakToneHueSpread;
        const double cosine = meanLength > 0.0 ? (p.a * sumA + p.b * sumB) / (chroma * meanLength) : -1.0;
        if (cosine < std::cos(spread * kPi / 180.0)) oneHue = false;
    }
    // A tone spans lightness: one colour over a narrow band of it (a coloured paper) is a
    // colour, however evenly it is spread.
    if (!curve.empty() && curve.back().lightness - curve.front().lightness < kToneSpan) smooth = false;
    if (smooth && oneHue) return true;
    curve.assign(1, CurvePoint{50.0, castA, castB});
    return false;
}

// The curve's a* and b* at every tenth of a lightness unit: linear between points, flat
// beyond the ends.
constexpr int kCurveSteps = 1001;

void TabulateCurve(const std::vector<CurvePoint>& curve, std::vector<float>& a, std::vector<float>& b) {
    a.resize(kCurveSteps);
    b.resize(kCurveSteps);
    std::size_t next = 0;
    for (int i = 0; i < kCurveSteps; ++i) {
        const double lightness = i / 10.0;
        while (next < curve.size() && curve[next].lightness <= lightness) ++next;
        if (next == 0 || next == curve.size()) {
            const CurvePoint& end = next == 0 ? curve.front() : curve.back();
            a[static_cast<std::size_t>(i)] = static_cast<float>(end.a);
            b[static_cast<std::size_t>(i)] = static_cast<float>(end.b);
            continue;
        }
        const CurvePoint& lo = curve[next - 1];
        const CurvePoint& hi = curve[next];
        const double f = (lightness - lo.lightness) / (hi.lightness - lo.lightness);
        a[static_cast<std::size_t>(i)] = static_cast<float>(lo.a + (hi.a - lo.a) * f);
        b[static_cast<std::size_t>(i)] = static_cast<float>(lo.b + (hi.b - lo.b) * f);
    }
}

}  // namespace

int PerceptualCellSide(int width, int height) {
    const std::int64_t longSide = std::max(width, height);
    return static_cast<int>(std::max<std::int64_t>(1, (longSide + kCellGridSide - 1) / kCellGridSide));
}

int PerceptualDecodeScale(int width, int height) {
    const int cellSide = PerceptualCellSide(width, height);
    int scale = 8;
    while (scale > cellSide) scale /= 2;
    // A reduced picture is cut into cells of a whole number of its pixels, the nearest to the
    // cell side; when those cells are themselves a reduction the decoder offers, it may as well
    // decode at that size, one pixel a cell.
    const int cell = std::max(1, (cellSide + scale / 2) / scale) * scale;
    return cell <= 8 && (cell & (cell - 1)) == 0 ? cell : scale;
}

namespace {

// Everything after the averaging: the toning curve, each cell's colour off it and the fringe
// discount.
void FinishPerceptualCells(std::vector<Lab>& lab, PerceptualCells& cells) {
    const int wide = cells.width, high = cells.height;
    const std::size_t count = lab.size();
    std::vector<CurvePoint> curve;
    cells.toned = FitToningCurve(lab, curve, cells.castA, cells.castB);
    cells.toneChroma = 0.0;
    cells.toneHue = 0.0;
    if (cells.toned) {
        for (const CurvePoint& p : curve) {
            const double chroma = Length(p.a, p.b);
            if (chroma > cells.toneChroma) {
                cells.toneChroma = chroma;
                cells.toneHue = std::fmod(std::atan2(p.b, p.a) * 180.0 / kPi + 360.0, 360.0);
            }
        }
    }

    // Each cell's a* and b* become its colour off the curve, in place.
    cells.offCurve.resize(count);
    cells.excess.resize(count);
    std::vector<float> curveA, curveB;
    TabulateCurve(curve, curveA, curveB);
    const double clipFrom = cells.toned ? ClipLightness(curve) : 1e9;
    // Past the clip a picture's highlights hold every paler shade of every tone the clip
    // passes through: a highlight one level above the next is not a step further along.
    std::vector<CurvePoint> fades;
    for (const CurvePoint& p : curve) {
        if (p.lightness >= clipFrom) fades.push_back(p);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto step = static_cast<std::size_t>(std::clamp(static_cast<int>(lab[i].l * 10.0f + 0.5f), 0, kCurveSteps - 1));
        if (lab[i].l > clipFrom) {
            float bestA = 0.0f, bestB = 0.0f;
            double best = OffFade(lab[i].a, lab[i].b, curveA[step], curveB[step], &bestA, &bestB);
            for (const CurvePoint& p : fades) {
                float ra = 0.0f, rb = 0.0f;
                const double off = OffFade(lab[i].a, lab[i].b, p.a, p.b, &ra, &rb);
                if (off < best) {
                    best = off;
                    bestA = ra;
                    bestB = rb;
                }
            }
            lab[i].a = bestA;
            lab[i].b = bestB;
            cells.offCurve[i] = static_cast<float>(best);
            continue;
        }
        lab[i].a -= curveA[step];
        lab[i].b -= curveB[step];
        cells.offCurve[i] = Length(lab[i].a, lab[i].b);
    }
    // Fringes come in pairs of opposite hue on the two sides of a stroke (red and cyan, orange
    // and blue), so where cells straddle a stroke their colours cancel over a cell and its eight
    // neighbours, while a coloured element's do not: a cell's colour counts times that
    // coherence, the length of the neighbourhood's summed colour over the sum of its lengths.
    // And fringes sit on a step in lightness: a share of the step over the neighbourhood is
    // taken off besides.
    for (int y = 0; y < high; ++y) {
        for (int x = 0; x < wide; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * wide + x;
            if (cells.offCurve[i] <= 0.0f) {
                cells.excess[i] = 0.0f;  // nothing to discount
                continue;
            }
            float sumA = 0.0f, sumB = 0.0f, length = 0.0f, lo = 100.0f, hi = 0.0f;
            for (int ny = std::max(0, y - 1); ny <= std::min(high - 1, y + 1); ++ny) {
                for (int nx = std::max(0, x - 1); nx <= std::min(wide - 1, x + 1); ++nx) {
                    const std::size_t n = static_cast<std::size_t>(ny) * wide + nx;
                    sumA += lab[n].a;
                    sumB += lab[n].b;
                    length += cells.offCurve[n];
                    lo = std::min(lo, lab[n].l);
                    hi = std::max(hi, lab[n].l);
                }
            }
            const float coherence = std::min(1.0f, Length(sumA, sumB) / length);
            cells.excess[i] = cells.offCurve[i] * coherence - kEdgeChromaPerLightness * (hi - lo);
        }
    }
}

}  // namespace

void PreparePerceptualCells(const PixelView& view, const ColourTable& colourTable, PerceptualCells& cells) {
    CellAverage average(RowFormatOf(view), colourTable);
    for (std::int32_t r = 0; r < view.height; ++r) average.AddRow(r, view.bits + std::ptrdiff_t{r} * view.stride);
    std::vector<Lab> lab;
    average.Convert(lab, cells);
    FinishPerceptualCells(lab, cells);
}

void FindColouredRegions(const PerceptualCells& cells, double threshold, PerceptualFindings& findings) {
    const int wide = cells.width, high = cells.height;
    const std::size_t count = static_cast<std::size_t>(wide) * high;
    findings.factor = cells.cellPixels;
    findings.cellsWide = wide;
    findings.cellsHigh = high;
    findings.toned = cells.toned;
    findings.toneChroma = cells.toned ? cells.toneChroma : 0.0;
    findings.toneHue = cells.toned ? cells.toneHue : 0.0;
    findings.castA = cells.toned ? 0.0 : cells.castA;
    findings.castB = cells.toned ? 0.0 : cells.castB;
    findings.largestArea = 0;
    findings.largestX = findings.largestY = findings.largestEndX = findings.largestEndY = -1;
    findings.largestChroma = 0.0;
    findings.vividArea = 0;
    findings.vividX = findings.vividY = findings.vividEndX = findings.vividEndY = -1;
    findings.vividChroma = 0.0;
    findings.chromaticShare = 0.0;
    if (count == 0) return;

    std::vector<std::uint8_t> chromatic(count);
    std::size_t chromaticCount = 0;
    for (std::size_t i = 0; i < count; ++i) {
        chromatic[i] = cells.excess[i] > threshold ? 1 : 0;
        chromaticCount += chromatic[i];
    }
    findings.chromaticShare = static_cast<double>(chromaticCount) / static_cast<double>(count);
    if (chromaticCount == 0) return;

    // Regions: 8-connected groups of coloured cells; one cell in a large picture stands for a
    // square of pixels, so a thin line or a dot still has an area.
    std::vector<std::uint32_t> stack;
    std::int64_t vividLargest = 0;
    const std::int64_t cellArea = std::int64_t{cells.cellPixels} * cells.cellPixels;
    for (std::size_t start = 0; start < count; ++start) {
        if (chromatic[start] != 1) continue;
        chromatic[start] = 2;
        stack.assign(1, static_cast<std::uint32_t>(start));
        std::int64_t size = 0;
        double strongest = 0.0, strongestExcess = 0.0;
        int left = wide, top = high, right = -1, bottom = -1;
        while (!stack.empty()) {
            const std::uint32_t i = stack.back();
            stack.pop_back();
            ++size;
            strongest = std::max(strongest, static_cast<double>(cells.offCurve[i]));
            strongestExcess = std::max(strongestExcess, static_cast<double>(cells.excess[i]));
            const int x = static_cast<int>(i % static_cast<std::uint32_t>(wide));
            const int y = static_cast<int>(i / static_cast<std::uint32_t>(wide));
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            for (int ny = std::max(0, y - 1); ny <= std::min(high - 1, y + 1); ++ny) {
                for (int nx = std::max(0, x - 1); nx <= std::min(wide - 1, x + 1); ++nx) {
                    const std::size_t n = static_cast<std::size_t>(ny) * wide + nx;
                    if (chromatic[n] == 1) {
                        chromatic[n] = 2;
                        stack.push_back(static_cast<std::uint32_t>(n));
                    }
                }
            }
        }
        // Vivid regions add up: a few small markers are seen together. A lone pixel is not one,
        // nor the fringes of sub-pixel text, vivid as they are: it is their colour beyond what
        // edges explain that must be vivid.
        const bool vivid = strongestExcess >= kVividChroma && size * cellArea >= 2;
        if (vivid) findings.vividArea += size * cellArea;
        if (vivid && size * cellArea > vividLargest) {
            vividLargest = size * cellArea;
            findings.vividX = left * cells.cellPixels;
            findings.vividY = top * cells.cellPixels;
            findings.vividEndX = (right + 1) * cells.cellPixels;
            findings.vividEndY = (bottom + 1) * cells.cellPixels;
            findings.vividChroma = strongest;
        }
        if (size * cellArea > findings.largestArea) {
            findings.largestArea = size * cellArea;
            findings.largestX = left * cells.cellPixels;
            findings.largestY = top * cells.cellPixels;
            findings.largestEndX = (right + 1) * cells.cellPixels;
            findings.largestEndY = (bottom + 1) * cells.cellPixels;
            findings.largestChroma = strongest;
        }
    }
}

std::int64_t CellPixelCount(const PerceptualCells& cells) {
    return std::int64_t{cells.width} * cells.height * cells.cellPixels * cells.cellPixels;
}

std::int64_t EffectiveAreaLimit(std::int64_t pixels, int areaLimit) {
    // A picture not much larger than the limit is colour when a sixteenth of it is: an icon
    // of 16 x 16 pixels with a coloured quarter is a coloured icon.
    return std::max<std::int64_t>(1, std::min<std::int64_t>(areaLimit, pixels / 16));
}

bool RegionsShowColour(std::int64_t largestArea, std::int64_t vividArea, std::int64_t areaLimit) {
    return largestArea >= areaLimit || vividArea >= std::min(areaLimit, kVividPixels);
}

int JudgePerceptualCells(const PerceptualCells& cells, const PerceptualTuning& tuning,
                         PerceptualFindings* findings) {
    PerceptualFindings local;
    PerceptualFindings& f = findings != nullptr ? *findings : local;
    FindColouredRegions(cells, tuning.threshold, f);
    return RegionsShowColour(f.largestArea, f.vividArea, EffectiveAreaLimit(CellPixelCount(cells), tuning.areaLimit)) ? 0 : 1;
}

namespace {

// The perceptual criterion over rows: it reads every row, so its verdict is never settled
// before the last; the rows go into the cells as they come. A picture whose every pixel is
// exactly gray has no colour to find, and the grayscale-only scanners settle that at several
// billion pixels a second; gray pictures stored in colour are common. The cells are still
// made when the evidence is asked for: the verdict is the same.
class PerceptualRows final : public judge_detail::RowCriterion {
public:
    PerceptualRows(const RowFormat& format, const ColourTable& table, const JudgeParams& params)
        : format_(format), params_(params), average_(format, table),
          grid_(judge_detail::MakeRowGrid(format.width, format.height, 1.0)) {
        JudgeParams exact;
        exact.THRESHOLD_GS = 0;
        exact.NOISE_LIMIT_GS = 0.0;
        exactGray_ = judge_detail::MakeGrayscaleRows(format, table, grid_, exact, false);
    }

    bool TakeRow(std::int32_t memoryRow, const std::uint8_t* row) override {
        if (allGray_ && exactGray_ != nullptr && exactGray_->TakeRow(memoryRow, row)) allGray_ = false;
        average_.AddRow(memoryRow, row);
        return false;
    }

    bool ReadsEveryRow() const override { return true; }

    int Verdict(JudgeEvidence* evidence) override {
        if (evidence == nullptr && allGray_) return 1;
        PerceptualCells cells;
        std::vector<Lab> lab;
        average_.Convert(lab, cells);
        FinishPerceptualCells(lab, cells);
        PerceptualFindings findings;
        const int verdict = JudgePerceptualCells(
            cells, PerceptualTuning{params_.THRESHOLD_PERCEPTUAL, params_.AREA_LIMIT_PERCEPTUAL}, &findings);
        if (evidence != nullptr) Explain(cells, findings, *evidence);
        return verdict;
    }

private:
    void Explain(const PerceptualCells& cells, const PerceptualFindings& findings, JudgeEvidence& evidence) const {
        evidence.areaLimit = EffectiveAreaLimit(CellPixelCount(cells), params_.AREA_LIMIT_PERCEPTUAL);
        evidence.rule = DecidingRule::Perceptual;
        evidence.cellSide = findings.factor;
        evidence.cellsWide = findings.cellsWide;
        evidence.cellsHigh = findings.cellsHigh;
        evidence.chromaticShare = findings.chromaticShare;
        evidence.largestRegion = findings.largestArea;
        // Memory rows run bottom-up unless the picture is stored top-down; the position is the
        // top-left corner of the region's bounding box, from the picture's top-left corner.
        // The region drawn is the one that decided: below the area limit, the vivid one.
        const bool vividDecided = findings.largestArea < evidence.areaLimit && findings.vividArea > 0 &&
                                  RegionsShowColour(findings.largestArea, findings.vividArea, evidence.areaLimit);
        evidence.vividRegion = vividDecided ? findings.vividArea : 0;
        evidence.regionX = vividDecided ? findings.vividX : findings.largestX;
        evidence.regionY = vividDecided ? findings.vividY : findings.largestY;
        const int endX = vividDecided ? findings.vividEndX : findings.largestEndX;
        const int endY = vividDecided ? findings.vividEndY : findings.largestEndY;
        if (evidence.regionX >= 0) {
            // The last cells may reach past the picture's edge.
            const std::int64_t scale = std::max(1, format_.sourceScale);
            const std::int64_t width = std::int64_t{format_.width} * scale;
            const std::int64_t height = std::int64_t{format_.height} * scale;
            const std::int64_t right = std::min<std::int64_t>(width, endX);
            std::int64_t top = evidence.regionY, end = std::min<std::int64_t>(height, endY);
            if (!format_.topDown) {
                top = std::max<std::int64_t>(0, height - endY);
                end = height - evidence.regionY;
            }
            evidence.regionY = static_cast<int>(top);
            evidence.regionWidth = static_cast<int>(right - evidence.regionX);
            evidence.regionHeight = static_cast<int>(end - top);
        }
        evidence.regionChroma = vividDecided ? findings.vividChroma : findings.largestChroma;
        evidence.toned = findings.toned;
        evidence.toneChroma = findings.toneChroma;
        evidence.toneHue = findings.toneHue;
        evidence.castA = findings.castA;
        evidence.castB = findings.castB;
    }

    RowFormat format_;
    const JudgeParams& params_;
    CellAverage average_;
    judge_detail::RowGrid grid_;
    std::unique_ptr<judge_detail::RowCriterion> exactGray_;
    bool allGray_ = true;
};

}  // namespace

namespace judge_detail {

std::unique_ptr<RowCriterion> MakePerceptualRows(const RowFormat& format, const ColourTable& table,
                                                 const JudgeParams& params) {
    return std::make_unique<PerceptualRows>(format, table, params);
}

}  // namespace judge_detail
