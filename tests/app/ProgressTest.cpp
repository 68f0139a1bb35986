#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdlib>
#include <limits>
#include <string>

#include "Progress.h"

namespace kz7::app {
namespace {

// Everything a bar writes, captured in memory.
class CapturedStream {
  public:
    CapturedStream() : stream_(open_memstream(&buffer_, &size_)) {}
    ~CapturedStream() {
        std::fclose(stream_);
        std::free(buffer_);
    }
    std::FILE* Stream() { return stream_; }
    std::string Text() {
        std::fflush(stream_);
        return std::string(buffer_, size_);
    }

  private:
    char* buffer_ = nullptr;
    size_t size_ = 0;
    std::FILE* stream_;
};

TEST(ProgressBarTest, RendersTheFractionClamped) {
    EXPECT_EQ(ProgressBar::Render(0.45, 20), "[#########...........]  45%");
    EXPECT_EQ(ProgressBar::Render(1.7, 4), "[####] 100%");
    EXPECT_EQ(ProgressBar::Render(-0.2, 4), "[....]   0%");
    EXPECT_EQ(ProgressBar::Render(0.999, 4), "[###.]  99%");
}

TEST(ProgressBarTest, DrawsOnlyWhenTheTextChangesAndMessagesGoAboveIt) {
    CapturedStream captured;
    {
        ProgressBar bar(captured.Stream(), true);
        bar.Update(0.5);
        bar.Update(0.5001);  // same text: no redraw
        bar.ShowMessage("finished");
    }
    const std::string half = ProgressBar::Render(0.5, ProgressBar::kWidth);
    EXPECT_EQ(captured.Text(),
              "\r" + half + "\r\x1b[2K" + "finished\n" + "\r" + half + "\r\x1b[2K");
}

TEST(ProgressBarTest, AStreamThatIsNoTerminalGetsMessagesOnly) {
    CapturedStream captured;
    {
        ProgressBar bar(captured.Stream());
        EXPECT_FALSE(bar.DrawsBar());
        bar.Update(0.25);
        bar.ShowMessage("Reading weather");
        bar.Update(std::numeric_limits<double>::quiet_NaN());
    }
    EXPECT_EQ(captured.Text(), "Reading weather\n");
}

}  // namespace
}  // namespace kz7::app
