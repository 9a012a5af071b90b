// The comparison of two hit maps: what counts as a change, the summary, the
// rings, the colours of the difference picture, and which geometry is refused.
#include <gtest/gtest.h>

#include <cmath>

#include <nlohmann/json.hpp>

#include "HitCompare.h"

using namespace jobview;

namespace {

// 0.01 pixels per micrometre: 10 pixels per millimetre, centre at 50.5 on 101.
HitMap blank(int size = 101, double pixelsPerMicron = 0.01) {
    HitMap m;
    m.size = size;
    m.pixelsPerMicron = pixelsPerMicron;
    m.counts.assign(std::size_t(size) * std::size_t(size), 0u);
    return m;
}

void put(HitMap& m, int x, int y, std::uint32_t n) {
    m.counts[std::size_t(x) * std::size_t(m.size) + std::size_t(y)] = n;
    m.maxCount = std::max(m.maxCount, n);
}

TEST(HitCompare, SummaryCountsRingsAndTheLargestChange) {
    HitMap a = blank(), b = blank();
    put(a, 50, 50, 3);
    put(b, 50, 50, 3); // the same: no change
    put(a, 60, 50, 2);
    put(b, 60, 50, 7); // +5, 1 mm out (pixel centre 10 px right of the disc's centre)
    put(a, 50, 80, 4); // -4, 3 mm out
    put(b, 50, 95, 1); // +1, 4.5 mm out
    put(b, 51, 95, 1); // +1, same ring
    std::string why;
    const auto c = HitComparison::make(a, b, &why);
    ASSERT_TRUE(c) << why;
    const CompareSummary& s = c->summary();
    EXPECT_FALSE(s.equal());
    EXPECT_EQ(s.pixelsChanged, 4u);
    EXPECT_EQ(s.pixelsMoreInB, 3u);
    EXPECT_EQ(s.pixelsFewerInB, 1u);
    EXPECT_EQ(s.largestIncrease, 5);
    EXPECT_EQ(s.largestDecrease, -4);
    EXPECT_EQ(s.largestDifference(), 5u);
    EXPECT_EQ(s.largestX, 60);
    EXPECT_EQ(s.largestY, 50);
    EXPECT_EQ(s.hitsA, 9u);
    EXPECT_EQ(s.hitsB, 12u);
    EXPECT_TRUE(s.warning.empty());
    ASSERT_EQ(s.rings.size(), 3u);
    const int inner[] = {1, 3, 4};
    const std::uint64_t changed[] = {1, 1, 2};
    std::uint64_t ringPixels = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.rings[i].innerMillimetres, inner[i]);
        EXPECT_EQ(s.rings[i].pixelsChanged, changed[i]);
        ringPixels += s.rings[i].pixels;
    }
    // A 1 mm ring of a 10 px/mm canvas holds about 2 pi r x 10 x 10 pixels.
    EXPECT_NEAR(double(s.rings[0].pixels), 2 * 3.14159 * 1.5 * 100, 40.0);
    EXPECT_LT(ringPixels, 101u * 101u);

    EXPECT_EQ(c->differenceAt(60, 50), 5);
    EXPECT_EQ(c->differenceAt(50, 80), -4);
    EXPECT_EQ(c->differenceAt(50, 50), 0);

    const std::string text = summaryText(s);
    EXPECT_NE(text.find("pixels changed: 4 (3 with more hits in B, 1 with fewer)"), std::string::npos) << text;
    EXPECT_NE(text.find("largest difference: 5 hits at x 60, y 50"), std::string::npos) << text;
    EXPECT_NE(text.find("4-5 mm: 2 of"), std::string::npos) << text;

    const auto json = nlohmann::json::parse(summaryJson(s, "a.tolm", "b.fld"));
    EXPECT_EQ(json["equal"], false);
    EXPECT_EQ(json["pixelsChanged"], 4);
    EXPECT_EQ(json["largestDifference"], 5);
    EXPECT_EQ(json["largestAt"]["x"], 60);
    EXPECT_EQ(json["rings"].size(), 3u);
    EXPECT_EQ(json["rings"][2]["innerMillimetres"], 4);
    EXPECT_TRUE(json["warning"].is_null());
}

TEST(HitCompare, EqualMapsGiveAFadedCopyOfA) {
    HitMap a = blank();
    put(a, 10, 20, 6);
    put(a, 11, 20, 3);
    const auto c = HitComparison::make(a, a, nullptr);
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->summary().equal());
    EXPECT_EQ(c->summary().largestX, -1);
    EXPECT_TRUE(c->summary().rings.empty());
    const auto json = nlohmann::json::parse(summaryJson(c->summary(), "a", "b"));
    EXPECT_EQ(json["equal"], true);
    EXPECT_TRUE(json["largestAt"].is_null());
    const std::vector<std::uint32_t> p = c->differencePicture();
    ASSERT_EQ(p.size(), 101u * 101u);
    EXPECT_EQ(p[20 * 101 + 10], 0xFFAAAAAAu); // black faded to a third: 255 - 255 / 3
    EXPECT_EQ(p[20 * 101 + 11], 0xFFD5D5D5u); // count 3 of 6: 127 / 3 darker than white
    EXPECT_EQ(p[0], 0xFFFFFFFFu);
}

TEST(HitCompare, ColoursFollowSignAndMagnitude) {
    struct Case {
        std::int64_t difference;
        std::uint64_t largest;
        std::uint32_t argb;
    } cases[] = {
        {5, 5, kMoreInBColour},
        {-5, 5, kFewerInBColour},
        {-4, 4, kFewerInBColour},
        {1, 1000000, 0xFFFF9F9Fu}, // the faintest change still shows
        {-1, 1000000, 0xFF9F9FFFu},
        {50, 100, 0xFFFF4F4Fu}, // halfway: 96 + 80 of 255
    };
    for (const Case& c : cases)
        EXPECT_EQ(differenceColour(c.difference, c.largest, 0, 0), c.argb) << c.difference << "/" << c.largest;
    // Stronger differences are darker, never lighter.
    for (std::int64_t d = 1; d < 100; ++d) {
        const std::uint32_t weaker = differenceColour(d, 100, 0, 0), stronger = differenceColour(d + 1, 100, 0, 0);
        EXPECT_GE(weaker & 0xFF, stronger & 0xFF) << d;
    }
}

TEST(HitCompare, GeometryOfOtherScalesIsRefusedAndOtherSizesLaidOnA) {
    std::string why;
    EXPECT_FALSE(HitComparison::make(blank(), blank(101, 0.02), &why));
    EXPECT_NE(why.find("10.0000 pixels per mm and B at 20.0000"), std::string::npos) << why;
    EXPECT_FALSE(HitComparison::make(blank(), HitMap{}, &why));
    EXPECT_NE(why.find("no rendered canvas"), std::string::npos) << why;

    // B is 21 pixels wider: its centre pixel 60 lies on A's 50.
    HitMap a = blank(), b = blank(121);
    put(a, 50, 50, 2);
    put(b, 60, 60, 2);
    put(b, 0, 0, 7); // off A's canvas
    put(b, 61, 60, 1);
    const auto c = HitComparison::make(a, b, &why);
    ASSERT_TRUE(c) << why;
    EXPECT_EQ(c->size(), 101);
    EXPECT_EQ(c->summary().pixelsChanged, 1u);
    EXPECT_EQ(c->differenceAt(51, 50), 1);
    EXPECT_NE(c->summary().warning.find("A 101, B 121"), std::string::npos) << c->summary().warning;
    EXPECT_NE(c->summary().warning.find("7 of B's hits fall outside"), std::string::npos);
    EXPECT_EQ(c->summary().warning.find("half a pixel"), std::string::npos);
    // The other way round: nothing of the smaller B falls outside.
    const auto d = HitComparison::make(b, a, &why);
    ASSERT_TRUE(d) << why;
    EXPECT_EQ(d->differenceAt(60, 60), 0);
    EXPECT_NE(d->summary().warning.find("0 of B's hits"), std::string::npos);
    // An odd difference in size cannot put centre on centre.
    const auto e = HitComparison::make(a, blank(100), &why);
    ASSERT_TRUE(e);
    EXPECT_NE(e->summary().warning.find("half a pixel off"), std::string::npos);
}

} // namespace
