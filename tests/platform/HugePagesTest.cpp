#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kz7/platform/HugePages.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

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

// A buffer of megabytes is not on huge pages, even where the system gives
// them unasked; a small one comes from the heap. Both hold what they are
// given, a grown one what it held before.
TEST(HugePages, SmallPageBuffersHoldTheirValuesOnPagesOf4kB) {
    std::vector<uint32_t, SmallPageAllocator<uint32_t>> small(1000, 7u);
    EXPECT_EQ(small.back(), 7u);
    std::vector<uint32_t, SmallPageAllocator<uint32_t>> large;
    large.reserve(3u << 20);  // 12 MB
    for (uint32_t i = 0; i < large.capacity(); ++i) large.push_back(i * 2654435761u);
    large.push_back(1u);  // grows into a new block, the values moved along
    for (size_t i = 0; i + 1 < large.size(); ++i)
        ASSERT_EQ(large[i], static_cast<uint32_t>(i * 2654435761u)) << i;
    EXPECT_EQ(HugePageKilobytesAround(large.data() + large.size() / 2), 0);
}

// Mapped blocks start a cache line apart within their pages, so that the
// same place of many buffers does not fall in one cache set; freeing a block
// gives its whole mapping back.
TEST(HugePages, SmallPageBlocksStartOnDifferentCacheLinesAndAreUnmappedWhenFreed) {
    constexpr size_t kBytes = size_t{1} << 20;
    void* first = AllocateOnSmallPages(kBytes);
    void* second = AllocateOnSmallPages(kBytes);
    const auto offset = [](const void* block) { return reinterpret_cast<uintptr_t>(block) % 4096; };
    EXPECT_EQ(offset(first) % 64, 0u);
    EXPECT_NE(offset(first), offset(second));
    static_cast<char*>(second)[kBytes - 1] = 1;  // the block's last byte is within its mapping
    FreeOnSmallPages(first, kBytes);
    FreeOnSmallPages(second, kBytes);
#if defined(__linux__)
    for (void* block : {first, second}) {
        unsigned char resident = 0;
        void* page = static_cast<char*>(block) - offset(block);
        EXPECT_EQ(mincore(page, 4096, &resident), -1);
        EXPECT_EQ(errno, ENOMEM);
    }
#endif
}

}  // namespace
}  // namespace kz7
