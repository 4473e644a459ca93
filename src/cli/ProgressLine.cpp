#include "cli/ProgressLine.h"

#include <cstdio>

#include "platform/Text.h"
#include "sort/Texts.h"

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

std::string Duration(double seconds) {
    const long long whole = static_cast<long long>(seconds + 0.5);
    if (whole >= 3600) return FormatText("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return FormatText("%lld:%02lld", whole / 60, whole % 60);
}

}  // namespace

std::string ProgressText(std::int32_t done, std::int32_t total, double seconds) {
    const double rate = seconds > 0 && done > 0 ? done / seconds : 0.0;
    const std::string left = rate > 0 ? Duration((total - done) / rate) : std::string("-:--");
    return FormatText(Text(TextId::Progress), static_cast<int>(done), static_cast<int>(total), rate, left.c_str());
}

ProgressLine::ProgressLine(bool shown) : shown_(shown), start_(std::chrono::steady_clock::now()) {}

void ProgressLine::Begin(std::int32_t total) {
    std::lock_guard<std::mutex> hold(lock_);
    total_ = total;
    start_ = std::chrono::steady_clock::now();
    if (shown_ && total_ > 0) Draw(0);
}

void ProgressLine::Show(std::int32_t done, bool force) {
    std::lock_guard<std::mutex> hold(lock_);
    done_ = done;
    if (!shown_ || total_ <= 0) return;
    if (!force && std::chrono::steady_clock::now() - lastDraw_ < kRedrawInterval) return;
    Draw(done);
}

void ProgressLine::PrintLine(const std::string& text) {
    std::lock_guard<std::mutex> hold(lock_);
    const bool redraw = drawn_;
    Erase();
    std::fprintf(stderr, "%s\n", text.c_str());
    if (redraw) Draw(done_);
    std::fflush(stderr);
}

void ProgressLine::End(std::int32_t done) {
    std::lock_guard<std::mutex> hold(lock_);
    if (shown_ && total_ > 0) {
        Draw(done);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    drawn_ = false;
    shown_ = false;
}

void ProgressLine::Draw(std::int32_t done) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    // Back to the line's start, the text, and blanks over what a longer text left (no escape
    // sequence: not every console knows them).
    const std::string text = ProgressText(done, total_, seconds);
    const std::size_t blanks = drawnLength_ > text.size() ? drawnLength_ - text.size() : 0;
    std::fprintf(stderr, "\r%s%s", text.c_str(), std::string(blanks, ' ').c_str());
    drawnLength_ = text.size();
    std::fflush(stderr);
    drawn_ = true;
    lastDraw_ = std::chrono::steady_clock::now();
}

void ProgressLine::Erase() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r%s\r", std::string(drawnLength_, ' ').c_str());
    drawnLength_ = 0;
    drawn_ = false;
}
