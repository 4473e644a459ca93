// The progress of judge and sort on a terminal: files done, total, rate and time left, redrawn
// in place on standard error; nothing at all when standard error is not a terminal. Lines
// printed through it on standard error clear the progress first and redraw it after.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

// "12/40 files, 3.1/s, 0:09 left"; the time left is "-:--" before the first file is done.
std::string ProgressText(std::int32_t done, std::int32_t total, double seconds);

class ProgressLine {
public:
    explicit ProgressLine(bool shown);
    void Begin(std::int32_t total);
    // Redraws for `done` files (not more often than a few times a second, unless forced).
    void Show(std::int32_t done, bool force = false);
    // A message line on standard error.
    void PrintLine(const std::string& text);
    // The last redraw, then the line is left as it stands.
    void End(std::int32_t done);

private:
    void Draw(std::int32_t done);
    void Erase();
    bool shown_;
    bool drawn_ = false;
    std::size_t drawnLength_ = 0;  // bytes of the text on the line now
    std::int32_t total_ = 0;
    std::int32_t done_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    std::mutex lock_;
};
