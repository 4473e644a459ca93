// The perceptual criterion: monochrome when a reader would see no colour. Internal to src/judge.
#pragma once

#include <cstdint>
#include <vector>

#include "judge/PixelView.h"

// What the perceptual criterion found; the numbers behind its verdict.
struct PerceptualFindings {
    int factor = 1;                 // side of the square of pixels averaged into one cell
    int cellsWide = 0, cellsHigh = 0;
    double chromaticShare = 0.0;    // share of cells whose colour is off the gray or toning curve
    std::int64_t largestArea = 0;   // largest connected coloured region, in pixels of the image
    // Its bounding box in pixels of the stored picture, rows in memory order; -1: no region.
    int largestX = -1, largestY = -1, largestEndX = -1, largestEndY = -1;
    double largestChroma = 0.0;     // strongest colour left in it, in colour-difference units
    // The regions of vivid colour (kVividChroma at their strongest, two pixels or more), which
    // count from kVividPixels together, however small the area limit finds them: their area,
    // and the box and strongest colour of the largest.
    std::int64_t vividArea = 0;
    int vividX = -1, vividY = -1, vividEndX = -1, vividEndY = -1;
    double vividChroma = 0.0;
    bool toned = false;             // the colours follow one hue along brightness
    double toneChroma = 0.0;        // strongest colour of that curve
    double toneHue = 0.0;           // its hue angle in degrees
    double castA = 0.0, castB = 0.0;  // uniform cast removed when the picture is not toned
};

struct PerceptualTuning {
    double threshold;  // colour difference (CIELAB units) a cell must exceed to count as coloured
    int areaLimit;     // smallest coloured region, in pixels of the image, that makes it colour
};

// The cells of an image in CIELAB, the toning curve and the fringe discount: everything the
// verdict needs before a tolerance is chosen. Built once per image; calibration evaluates many
// tunings on one.
struct PerceptualCells {
    int factor = 1;       // pixels of the view per cell side
    int cellPixels = 1;   // pixels of the stored picture per cell side
    int width = 0, height = 0;
    std::vector<float> excess;     // per cell: colour off the curve, less what edges explain
    std::vector<float> offCurve;   // per cell: colour off the curve
    bool toned = false;
    double toneChroma = 0.0, toneHue = 0.0, castA = 0.0, castB = 0.0;
};

// Averages the image into cells (transparent pixels over white), converts them to CIELAB and
// fits the toning curve.
void PreparePerceptualCells(const PixelView& view, const ColourTable& colourTable, PerceptualCells& cells);

// The side of a cell in pixels of a stored picture of this size.
int PerceptualCellSide(int width, int height);
// The reduction (1, 2, 4 or 8) a decoder may apply to a picture of this size while decoding,
// without making it coarser than the criterion's cells.
int PerceptualDecodeScale(int width, int height);

// The largest connected coloured region under `threshold` and the rest of the findings.
void FindColouredRegions(const PerceptualCells& cells, double threshold, PerceptualFindings& findings);

// The pixels of the stored picture that the cells cover.
std::int64_t CellPixelCount(const PerceptualCells& cells);
// The area limit for a picture of `pixels`: the tuning's, or a sixteenth of a smaller picture.
std::int64_t EffectiveAreaLimit(std::int64_t pixels, int areaLimit);

// A few pixels of strong colour are what a reader notices first, however small the picture:
// regions whose colour reaches kVividChroma count from kVividPixels (of the stored picture)
// together, a dot of three by three. Fainter colour needs the area limit.
constexpr double kVividChroma = 30.0;
constexpr std::int64_t kVividPixels = 8;

// Whether the regions found make the picture colour under an area limit (EffectiveAreaLimit).
bool RegionsShowColour(std::int64_t largestArea, std::int64_t vividArea, std::int64_t areaLimit);

// 1 monochrome, 0 colour.
int JudgePerceptualCells(const PerceptualCells& cells, const PerceptualTuning& tuning,
                         PerceptualFindings* findings);
