// The settings pages' rules, apart from their windows: how a typed text becomes a field, what a
// spin step writes, and which controls a setting enables.
#pragma once

#include <array>
#include <functional>
#include <string>

struct UserPrompt;

// A page's refresh operation; called with no window after a reset (the pages fill it in).
using PageRefresh = std::function<void()>;
// Slots 0..4 for pages 400..404; an empty function is an empty slot.
extern std::array<PageRefresh, 5> PageRefreshTable;

// The reset button: nothing while a run is busy; otherwise asks, resets the settings and
// refreshes every page.
void ResetFromSheet(const UserPrompt& prompt);

// The leading decimal integer of a text: blanks, an optional sign, digits; the rest ignored.
// 0 when there is no number; beyond the range of int, the nearest bound.
int ParseLeadingInt(const std::string& text);

// Edit texts to field values, by the rule of each field.
int ThreadNumFromText(const std::string& text);        // the 16-bit rule: 40000 -> 1
int PixelCountFromText(const std::string& text);       // below 1 -> the default
int ThresholdGsFromText(const std::string& text);      // 0..255
double PercentFromText(const std::string& text);       // 0..100

// A field's value as its edit shows it: "%d", and "%lf" for the percentages.
std::string IntText(int value);
std::string PercentText(double value);

// An up-down without a range of its own runs from 100 down to 0, so its up arrow proposes a
// negative change; that is the step up.
inline bool SpinStepsUp(int delta) { return delta < 0; }

// The text an arrow writes into the pixel-count edit: 1000 up or down, never below 1,
// the fraction dropped.
std::string StepPixelCountText(const std::string& current, bool up);
// The text an arrow writes into a percentage edit: 1 up or down within 0..100.
std::string StepPercentText(const std::string& current, bool up);

// Which dependent controls a setting enables.
inline bool PixelCountEnabled(int isAllPixelJudge) { return isAllPixelJudge == 0; }
// The perceptual criterion, when on, judges in place of the other two, so neither the choice
// between them nor their limits take effect.
inline bool CriterionChoiceEnabled(int isPerceptualJudge) { return isPerceptualJudge == 0; }
inline bool GrayscaleLimitsEnabled(int isOnlyGrayscale, int isPerceptualJudge) {
    return isPerceptualJudge == 0 && isOnlyGrayscale != 0;
}
inline bool MonoLimitsEnabled(int isOnlyGrayscale, int isPerceptualJudge) {
    return isPerceptualJudge == 0 && isOnlyGrayscale == 0;
}
inline bool FixedDestinationsEnabled(int isDstSubdir) { return isDstSubdir == 0; }
