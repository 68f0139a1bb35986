#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdlib>
#include <limits>
#include <string>

#include "Progress.h"

namespace kz7::app {
namespace {

// Everything bars write while `draw` runs, captured in memory.
template <typename Draw>
std::string Captured(Draw draw) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    draw(stream);
    std::fclose(stream);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

// The bar shows the fraction clamped. A terminal gets the bar, redrawn only
// when its text changes, with messages above it; any other stream gets the
// messages only.
TEST(ProgressBarTest, DrawsTheClampedFractionOnATerminalOnlyWhenItChanges) {
    EXPECT_EQ(ProgressBar::Render(0.45, 20), "[#########...........]  45%");
    EXPECT_EQ(ProgressBar::Render(1.7, 4), "[####] 100%");
    EXPECT_EQ(ProgressBar::Render(-0.2, 4), "[....]   0%");
    EXPECT_EQ(ProgressBar::Render(0.999, 4), "[###.]  99%");
    const std::string half = ProgressBar::Render(0.5, ProgressBar::kWidth);
    EXPECT_EQ(Captured([](std::FILE* stream) {
                  ProgressBar bar(stream, true);
                  bar.Update(0.5);
                  bar.Update(0.5001);
                  bar.ShowMessage("finished");
              }),
              "\r" + half + "\r\x1b[2K" + "finished\n" + "\r" + half + "\r\x1b[2K");
    EXPECT_EQ(Captured([](std::FILE* stream) {
                  ProgressBar bar(stream);
                  EXPECT_FALSE(bar.DrawsBar());
                  bar.Update(0.25);
                  bar.ShowMessage("Reading weather");
                  bar.Update(std::numeric_limits<double>::quiet_NaN());
              }),
              "Reading weather\n");
}

}  // namespace
}  // namespace kz7::app
