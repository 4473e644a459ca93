// Calibration: every picture's evidence is gathered once, in parallel; then each criterion's
// candidate settings are scored from the evidence alone.
#include "cli/CalibrateCommand.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "image/CalibrationEntry.h"
#include "platform/Text.h"
#include "sort/Messages.h"
#include "settings/Settings.h"
#include "sort/FileCollection.h"

namespace {

struct Sample {
    std::filesystem::path path;
    bool monochrome;  // the user's label
    bool judged = false;
    std::string errorText;
    CalibrationEvidence evidence;
};

// One candidate setting of a criterion and how it scores.
struct Score {
    std::string settings;       // "KEY=value KEY=value", as written to the file
    int monochromeRight = 0;
    int colourRight = 0;
    int calledMonochrome = 0;
    std::function<void(SettingsRecord&)> apply;  // the criterion's own keys
    std::function<int(const CalibrationEvidence&)> verdict;
};

// More pictures right wins; on a tie, the setting that calls fewer pictures monochrome.
bool Better(const Score& a, const Score& b) {
    const int rightA = a.monochromeRight + a.colourRight, rightB = b.monochromeRight + b.colourRight;
    if (rightA != rightB) return rightA > rightB;
    return a.calledMonochrome < b.calledMonochrome;
}

void Evaluate(const std::vector<Sample>& samples, Score& score) {
    score.monochromeRight = score.colourRight = score.calledMonochrome = 0;
    for (const Sample& s : samples) {
        if (!s.judged) continue;
        const int verdict = score.verdict(s.evidence);
        score.calledMonochrome += verdict;
        if (s.monochrome && verdict == 1) ++score.monochromeRight;
        if (!s.monochrome && verdict == 0) ++score.colourRight;
    }
}

// The best of a criterion's candidates, evaluated in the order given (the first of equals).
Score Best(const std::vector<Sample>& samples, std::vector<Score> candidates) {
    Score best;
    bool any = false;
    for (Score& candidate : candidates) {
        Evaluate(samples, candidate);
        if (!any || Better(candidate, best)) {
            best = candidate;
            any = true;
        }
    }
    return best;
}

const double kNoiseLimits[] = {0, 0.5, 1, 2, 3, 4, 5, 7, 10, 15, 20, 30, 50};
const double kMonoPercents[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 20,
                                22, 25, 30, 35, 40, 50, 60, 80, 100};
const int kAreaLimits[] = {1, 2, 4, 6, 9, 12, 16, 20, 25, 30, 36, 49, 64, 81, 100, 150, 200, 300, 500, 1000, 2000};

std::vector<Score> GrayscaleCandidates() {
    std::vector<Score> candidates;
    for (int threshold = 0; threshold <= 255; ++threshold) {
        for (const double noise : kNoiseLimits) {
            Score s;
            s.settings = FormatText("THRESHOLD_GS=%d NOISE_LIMIT_GS=%s", threshold, FormatPercent(noise).c_str());
            s.apply = [=](SettingsRecord& r) {
                r.THRESHOLD_GS = threshold;
                r.NOISE_LIMIT_GS = noise;
            };
            s.verdict = [=](const CalibrationEvidence& e) { return GrayscaleVerdict(e, threshold, noise); };
            candidates.push_back(std::move(s));
        }
    }
    return candidates;
}

std::vector<Score> TintedCandidates() {
    std::vector<Score> candidates;
    for (const double threshold : kMonoPercents) {
        for (const double limit : kMonoPercents) {
            Score s;
            s.settings = FormatText("THRESHOLD_MONO=%s ERROR_LIMIT_MONO=%s", FormatPercent(threshold).c_str(),
                                    FormatPercent(limit).c_str());
            s.apply = [=](SettingsRecord& r) {
                r.THRESHOLD_MONO = threshold;
                r.ERROR_LIMIT_MONO = limit;
            };
            s.verdict = [=](const CalibrationEvidence& e) { return TintedVerdict(e, threshold, limit); };
            candidates.push_back(std::move(s));
        }
    }
    return candidates;
}

std::vector<Score> PerceptualCandidates() {
    std::vector<Score> candidates;
    for (std::size_t index = 0; index < kCalibrationThresholds.size(); ++index) {
        const double threshold = kCalibrationThresholds[index];
        for (const int area : kAreaLimits) {
            Score s;
            s.settings = FormatText("THRESHOLD_PERCEPTUAL=%s AREA_LIMIT_PERCEPTUAL=%d",
                                    FormatPercent(threshold).c_str(), area);
            s.apply = [=](SettingsRecord& r) {
                r.THRESHOLD_PERCEPTUAL = threshold;
                r.AREA_LIMIT_PERCEPTUAL = area;
            };
            s.verdict = [=](const CalibrationEvidence& e) { return PerceptualVerdict(e, index, area); };
            candidates.push_back(std::move(s));
        }
    }
    return candidates;
}

std::vector<Sample> CollectSamples(const std::filesystem::path& folder, bool monochrome, const CollectionRule& rule) {
    std::vector<Sample> samples;
    for (const auto& path : BuildPathList({folder}, rule).paths) {
        Sample s;
        s.path = path;
        s.monochrome = monochrome;
        samples.push_back(std::move(s));
    }
    return samples;
}

void GatherAll(std::vector<Sample>& samples, const JudgeParams& params) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < samples.size(); i = next++) {
            Sample& s = samples[i];
            s.judged = GatherFileEvidence(s.path, params, s.evidence, s.errorText);
            s.errorText = messages::LoaderFailure(s.errorText);
        }
    };
    const std::size_t threadCount = std::min<std::size_t>(
        samples.size(), static_cast<std::size_t>(std::max(1, Settings.THREAD_NUM)));
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < threadCount; ++t) threads.emplace_back(work);
    work();
    for (auto& thread : threads) thread.join();
}

}  // namespace

int CalibrateCommand(const std::filesystem::path& monochromeFolder, const std::filesystem::path& colourFolder,
                     const std::filesystem::path& writeFile) {
    // The folders are read as the settings given say (IS_SUBDIRS_TOO), like a sorting run.
    const CollectionRule rule = CollectionRuleOf(Settings);
    std::vector<Sample> samples = CollectSamples(monochromeFolder, true, rule);
    const std::size_t monochromeCount = samples.size();
    std::vector<Sample> colour = CollectSamples(colourFolder, false, rule);
    if (monochromeCount == 0 || colour.empty()) {
        std::fprintf(stderr, "pallidor-cli: calibrate: %s holds no file\n",
                     platform::PathToUtf8(monochromeCount == 0 ? monochromeFolder : colourFolder).c_str());
        return 2;
    }
    for (Sample& s : colour) samples.push_back(std::move(s));
    GatherAll(samples, MakeJudgeParams(Settings));

    int monochromeJudged = 0, colourJudged = 0;
    bool anyFailed = false;
    for (const Sample& s : samples) {
        if (!s.judged) {
            anyFailed = true;
            std::printf("not judged\t%s\t%s\n", platform::PathToUtf8(s.path).c_str(), s.errorText.c_str());
            continue;
        }
        (s.monochrome ? monochromeJudged : colourJudged)++;
    }

    struct Row {
        const char* criterion;
        Score best;
    };
    Row rows[] = {
        {"grayscale-only", Best(samples, GrayscaleCandidates())},
        {"tinted", Best(samples, TintedCandidates())},
        {"perceptual", Best(samples, PerceptualCandidates())},
    };
    std::printf("%-15s %-55s %11s %11s\n", "criterion", "settings", "monochrome", "colour");
    for (const Row& row : rows) {
        std::printf("%-15s %-55s %5d/%-5d %5d/%-5d\n", row.criterion, row.best.settings.c_str(),
                    row.best.monochromeRight, monochromeJudged, row.best.colourRight, colourJudged);
    }
    for (const Row& row : rows) {
        for (const Sample& s : samples) {
            if (!s.judged || row.best.verdict(s.evidence) == (s.monochrome ? 1 : 0)) continue;
            std::printf("wrong\t%s\t%s\t%s\n", row.criterion,
                        s.monochrome ? "monochrome called color" : "color called monochrome",
                        platform::PathToUtf8(s.path).c_str());
        }
    }
    const Row* best = &rows[0];
    for (const Row& row : rows) {
        if (Better(row.best, best->best)) best = &row;
    }
    std::printf("best: %s %s\n", best->criterion, best->best.settings.c_str());

    if (!writeFile.empty()) {
        // Every criterion's best values, and the switches that choose the best criterion.
        SettingsRecord record = Settings;
        for (const Row& row : rows) row.best.apply(record);
        record.IS_PERCEPTUAL_JUDGE = best == &rows[2] ? 1 : 0;
        if (best != &rows[2]) record.IS_ONLY_GRAYSCALE = best == &rows[0] ? 1 : 0;
        const char* const keys[] = {"IS_PERCEPTUAL_JUDGE", "IS_ONLY_GRAYSCALE", "THRESHOLD_GS", "NOISE_LIMIT_GS",
                                    "THRESHOLD_MONO", "ERROR_LIMIT_MONO", "THRESHOLD_PERCEPTUAL",
                                    "AREA_LIMIT_PERCEPTUAL"};
        for (const char* key : keys) {
            if (!SaveSettingKey(record, key, writeFile)) {
                std::fprintf(stderr, "pallidor-cli: calibrate: cannot write %s\n",
                             platform::PathToUtf8(writeFile).c_str());
                return 2;
            }
        }
        std::printf("written: %s\n", platform::PathToUtf8(writeFile).c_str());
    }
    return anyFailed ? 1 : 0;
}
