#include "Progress.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace kz7::app {

bool ProgressBar::IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

ProgressBar::ProgressBar(std::FILE* stream) : ProgressBar(stream, IsTerminal(stream)) {}

ProgressBar::ProgressBar(std::FILE* stream, bool drawBar) : stream_(stream), drawBar_(drawBar) {}

ProgressBar::~ProgressBar() {
    Clear();
}

std::string ProgressBar::Render(double fraction, int width) {
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    const int filled = static_cast<int>(std::floor(clamped * width));
    const int percent = static_cast<int>(std::floor(clamped * 100.0));
    return fmt::format("[{}{}] {:3d}%", std::string(static_cast<size_t>(filled), '#'),
                       std::string(static_cast<size_t>(width - filled), '.'), percent);
}

void ProgressBar::Update(double fraction) {
    if (std::isnan(fraction)) return;
    fraction_ = std::clamp(fraction, 0.0, 1.0);
    if (drawBar_ && Render(fraction_, kWidth) != drawn_) Draw();
}

void ProgressBar::ShowMessage(std::string_view text) {
    Clear();
    fmt::print(stream_, "{}\n", text);
    if (drawBar_) Draw();
    std::fflush(stream_);
}

void ProgressBar::Clear() {
    if (drawn_.empty()) return;
    // Carriage return, then erase the line.
    fmt::print(stream_, "\r\x1b[2K");
    std::fflush(stream_);
    drawn_.clear();
}

void ProgressBar::Draw() {
    drawn_ = Render(fraction_, kWidth);
    fmt::print(stream_, "\r{}", drawn_);
    std::fflush(stream_);
}

}  // namespace kz7::app
