#include "gui/PageRules.h"

#include <cctype>
#include <climits>
#include <cmath>

#include "settings/Settings.h"
#include "platform/Text.h"
#include "sort/SortRun.h"

std::array<PageRefresh, 5> PageRefreshTable;

void ResetFromSheet(const UserPrompt& prompt) {
    if (RunBusy) return;
    if (!ResetSettings(prompt)) return;
    for (const PageRefresh& refresh : PageRefreshTable) {
        if (refresh) refresh();
    }
}

int ParseLeadingInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Counting in 64 bits and stopping at the bound keeps a long run of digits from wrapping.
    long long magnitude = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) magnitude = static_cast<long long>(INT_MAX) + 1;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) return INT_MAX;
    return static_cast<int>(value);
}

int ThreadNumFromText(const std::string& text) { return ClampThreadNum(ParseLeadingInt(text)); }

int PixelCountFromText(const std::string& text) { return ClampPixelCount(ParseLeadingInt(text)); }

int ThresholdGsFromText(const std::string& text) { return ClampThreshold(ParseLeadingInt(text)); }

double PercentFromText(const std::string& text) { return ClampPercent(ParseLeadingDouble(text)); }

std::string IntText(int value) { return FormatText("%d", value); }

std::string PercentText(double value) { return FormatText("%lf", value); }

std::string StepPixelCountText(const std::string& current, bool up) {
    double value = ParseLeadingDouble(current) + (up ? 1000 : -1000);
    if (std::isnan(value) || value < 1) value = 1;
    // Past the range of int a step cannot be shown as "%d"; stay at the top.
    if (value > INT_MAX) value = INT_MAX;
    return IntText(static_cast<int>(value));
}

std::string StepPercentText(const std::string& current, bool up) {
    double value = ParseLeadingDouble(current) + (up ? 1 : -1);
    if (std::isnan(value) || value < 0) value = 0;
    if (value > 100) value = 100;
    return PercentText(value);
}
