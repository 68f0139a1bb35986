#pragma once
// The progress bar of a run on standard error, and the engine's messages
// printed as they come. The bar is drawn only when the stream is a terminal;
// messages are always printed, each on its own line above the bar.
#include <cstdio>
#include <string>
#include <string_view>

namespace kz7::app {

class ProgressBar {
  public:
    // Draws on `stream` when it is a terminal.
    explicit ProgressBar(std::FILE* stream = stderr);
    ProgressBar(std::FILE* stream, bool drawBar);
    // Clears the bar.
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    static bool IsTerminal(std::FILE* stream);
    bool DrawsBar() const { return drawBar_; }
    // The engine's progress fraction; outside 0..1 it is clamped, NaN ignored.
    // Redraws only when the drawn text changes.
    void Update(double fraction);
    // One message line; the bar is redrawn below it.
    void ShowMessage(std::string_view text);
    // Removes the bar from the terminal line.
    void Clear();

    // "[#########...........]  45%" for a bar of `width` cells.
    static std::string Render(double fraction, int width);
    static constexpr int kWidth = 40;

  private:
    void Draw();

    std::FILE* stream_;
    bool drawBar_;
    std::string drawn_;  // the bar text on the terminal now, empty when none
    double fraction_ = 0.0;
};

}  // namespace kz7::app
