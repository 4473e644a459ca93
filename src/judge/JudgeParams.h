// The settings the judgment depends on, passed in by the caller. Fields bear the names of
// their keys in the settings file; the values are already brought into range.
#pragma once

struct JudgeParams {
    int IS_ALL_PIXEL_JUDGE = 1;         // flag: sample every pixel
    int PIXELS_USE_IN_JUDGMENT = 20000; // samples wanted when not every pixel is sampled, >= 1
    int IS_ONLY_GRAYSCALE = 1;          // flag: grayscale-only criterion; 0: tinted-monochrome
    int THRESHOLD_GS = 0;               // 0..255
    double NOISE_LIMIT_GS = 0.0;        // percent, 0..100
    double THRESHOLD_MONO = 8.0;        // percent, 0..100
    double ERROR_LIMIT_MONO = 8.0;      // percent, 0..100
    int IS_PERCEPTUAL_JUDGE = 0;        // flag: the perceptual criterion instead of both above
    double THRESHOLD_PERCEPTUAL = 12.0; // colour difference (CIELAB units), 0..100
    int AREA_LIMIT_PERCEPTUAL = 20;     // smallest coloured region, in pixels, >= 1
};
