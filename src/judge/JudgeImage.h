// Monochrome or colour: the judgment entry, the sampling grid and the two criteria.
// Pure: no files, no platform, no global state; the caller passes the parameters.
#pragma once

#include <cstdint>
#include <string>

#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"
#include "judge/PixelView.h"

// Judges one image: 1 monochrome, 0 colour. `colourTable` holds `colourCount` entries of the
// image's own table (may be null for deeper images). For an unjudged depth writes
// "【ERROR】非対応のファイル形式です。" into errorText and returns 1. With `evidence`, also
// records why (the verdict is the same with and without it).
int JudgeImage(const PixelView& view, const RgbQuad* colourTable, int colourCount,
               const JudgeParams& params, std::string& errorText, JudgeEvidence* evidence = nullptr);

// The distance between neighbouring samples, from the image size and the parameters.
double ComputeSamplingStep(int width, int height, const JudgeParams& params);

// The depths the judgment reads: 2, 4, 8, 16, 24 and 32 bits per pixel.
bool IsJudgedDepth(std::uint16_t bitsPerPixel);

// True when every one of `count` entries is gray under `params` (count <= 0: true).
bool IsGrayPalette(const RgbQuad* entries, int count, const JudgeParams& params);

// Red, green and blue of the pixel at (column, row), rows counted in memory order.
SampleColour FetchSampleColour(const PixelView& view, const ColourTable& colourTable, int column,
                               int row);

// Smallest and largest sum of the other two channels for each value of a channel; -1 = empty.
struct ChannelSumEnvelopes {
    int minGB[256], maxGB[256];  // indexed by red
    int minRB[256], maxRB[256];  // indexed by green
    int minRG[256], maxRG[256];  // indexed by blue
};

// Gathers the envelopes of the samples of the grid (every entry starts at -1).
void GatherChannelSumEnvelopes(const PixelView& view, const ColourTable& colourTable, double step,
                               ChannelSumEnvelopes& envelopes);
// The share of filled channel values whose sums lie close together that the spread test needs.
constexpr double kNarrowShare = 0.6;

bool CheckEnvelopeOrder(const ChannelSumEnvelopes& envelopes, const JudgeParams& params);
bool CheckEnvelopeSpread(const ChannelSumEnvelopes& envelopes);
// The counts behind both tests: falls and steady steps, the fall tolerance, narrow and wide.
void ExplainEnvelopes(const ChannelSumEnvelopes& envelopes, const JudgeParams& params,
                      JudgeEvidence& evidence);

// THRESHOLD_MONO in the envelopes' sum units, truncated: 8 gives 40, 50 gives 254.
int FallTolerance(const JudgeParams& params);

// The samples of the grid for an image of this size: as many as WalkSampleGrid visits.
std::uint64_t CountGridSamples(int width, int height, double step);
