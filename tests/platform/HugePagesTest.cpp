#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kz7/platform/HugePages.h"

namespace kz7 {
namespace {

// The huge-page kilobytes the system reports for the mapping holding `address`.
long HugePageKilobytesAround(const void* address) {
    const auto target = reinterpret_cast<uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        unsigned long from = 0, to = 0;
        char dash = 0;
        std::istringstream head(line);
        if (head >> std::hex >> from >> dash >> to && dash == '-')
            inside = from <= target && target < to;
        if (inside && line.starts_with("AnonHugePages:")) return std::stol(line.substr(14));
    }
    return 0;
}

TEST(HugePages, OnlyWholeHugePagesOfASpanAreAskedForAndTheirContentsStay) {
    AddressSpan none;
    EXPECT_FALSE(AskForHugePages(none));
    // Less than a huge page never holds a whole one.
    std::vector<uint32_t> small(100000);
    AddressSpan smallSpan;
    smallSpan.Add(small.data(), small.size() * sizeof(uint32_t));
    EXPECT_FALSE(AskForHugePages(smallSpan));

    std::vector<uint32_t> large(3u << 20);  // 12 MB
    for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint32_t>(i * 2654435761u);
    AddressSpan span;
    span.Add(large.data() + 100, sizeof(uint32_t));
    span.Add(large.data() + large.size() - 100, sizeof(uint32_t));
    span.Add(nullptr, 0);  // an empty list, as an empty vector gives
    EXPECT_EQ(span.First(), reinterpret_cast<uintptr_t>(large.data() + 100));
    const bool asked = AskForHugePages(span);
    for (size_t i = 0; i < large.size(); ++i)
        ASSERT_EQ(large[i], static_cast<uint32_t>(i * 2654435761u)) << i;
    if (!asked) GTEST_SKIP() << "this system gives no huge pages on request";
    EXPECT_GE(HugePageKilobytesAround(large.data() + large.size() / 2), 2048);
}

// A buffer of megabytes starts on a huge page and is paged in with them as
// it is written; a small one comes from the heap. Both hold what they are given.
TEST(HugePages, LargeBuffersAreTakenOnHugePagesAndSmallOnesFromTheHeap) {
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    std::vector<uint32_t, HugePageAllocator<uint32_t>> small(1000, 7u);
    EXPECT_EQ(small.back(), 7u);
    std::vector<uint32_t, HugePageAllocator<uint32_t>> large;
    large.reserve((3u << 20) + 5);  // 12 MB and a little: the last huge page is partly used
    EXPECT_EQ(reinterpret_cast<uintptr_t>(large.data()) % kHugePage, 0u);
    for (uint32_t i = 0; i < large.capacity(); ++i) large.push_back(i * 2654435761u);
    for (size_t i = 0; i < large.size(); ++i)
        ASSERT_EQ(large[i], static_cast<uint32_t>(i * 2654435761u)) << i;
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(mode, modes);
    if (modes.find("[never]") != std::string::npos || modes.empty())
        GTEST_SKIP() << "this system gives no huge pages on first write";
    EXPECT_GE(HugePageKilobytesAround(large.data() + large.size() / 2), 2048);
}

}  // namespace
}  // namespace kz7
