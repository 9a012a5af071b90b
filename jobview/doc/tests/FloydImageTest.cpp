#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "jobview/FloydFormat.h"
#include "jobview/FloydImage.h"
#include "jobview/FloydWriter.h"
#include "jobview/JobViewTexts.h"

namespace {

std::string tempFile(const std::string& name) {
    return (std::filesystem::path(::testing::TempDir()) / ("floyd_" + name)).string();
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

void setLe(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v, unsigned bytes) {
    for (unsigned i = 0; i < bytes; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

FloydPicture twoRowPicture() {
    FloydPicture p;
    p.tracksPerInch = 300;
    p.dotsPerInch = 600;
    p.rows = {{1, 0, 1, 1, 0, 0, 0, 0, 1, 1}, {0, 1, 1}};
    return p;
}

TEST(FloydTables, HeaderAndEntryTileTheirRecords) {
    struct Case {
        std::span<const floyd::FieldSpec> fields;
        std::uint32_t size;
    };
    for (const Case& c : {Case{floyd::kHeaderFields, floyd::kHeaderSize},
                          Case{floyd::kRowEntryFields, floyd::kRowEntrySize}}) {
        std::uint32_t next = 0;
        std::set<std::string_view> names;
        for (const auto& f : c.fields) {
            EXPECT_EQ(f.offset, next) << f.name;
            EXPECT_TRUE(names.insert(f.name).second) << f.name;
            next += f.size;
        }
        EXPECT_EQ(next, c.size);
    }
    EXPECT_EQ(floyd::field(floyd::kHeaderFields, "rowCount").offset, 10u);
    EXPECT_EQ(floyd::field(floyd::kHeaderFields, "bitsPerPixel").offset, 25u);
    for (std::size_t i = 1; i < std::size(floyd::kStorageDepths); ++i)
        EXPECT_LT(floyd::kStorageDepths[i - 1], floyd::kStorageDepths[i]);
}

struct DepthCase {
    std::uint32_t colourCount;
    unsigned bits;
    unsigned depth;
};

class DepthRule : public ::testing::TestWithParam<DepthCase> {};

TEST_P(DepthRule, BitsAndStorageDepthFollowTheColourCount) {
    const DepthCase c = GetParam();
    EXPECT_EQ(floyd::bitsForColourCount(c.colourCount), c.bits);
    EXPECT_EQ(floyd::storageDepthForBits(c.bits), c.depth);
}

INSTANTIATE_TEST_SUITE_P(Counts, DepthRule,
                         ::testing::Values(DepthCase{0, 1, 1}, DepthCase{1, 1, 1}, DepthCase{2, 1, 1},
                                           DepthCase{3, 2, 4}, DepthCase{5, 3, 4}, DepthCase{16, 4, 4},
                                           DepthCase{17, 5, 8}, DepthCase{256, 8, 8}, DepthCase{257, 9, 16},
                                           DepthCase{300, 9, 16}, DepthCase{65535, 16, 16}));

TEST(FloydRowStride, WholeBytesRoundedUpToFour) {
    EXPECT_EQ(floyd::rowStride(10, 1), 4u); // (10 + 7) / 8 = 2, rounded up to 4
    EXPECT_EQ(floyd::rowStride(32, 1), 4u);
    EXPECT_EQ(floyd::rowStride(33, 1), 8u);
    EXPECT_EQ(floyd::rowStride(3, 4), 4u);
    EXPECT_EQ(floyd::rowStride(5, 24), 16u);
    EXPECT_EQ(floyd::rowStride(0, 8), 0u);
    EXPECT_EQ(floyd::rowStride(0xFFFFFFFFu, 32), 0x3FFFFFFFCull); // no 32-bit wrap
}

TEST(FloydMemory, TotalsBeyondA32BitAddressSpaceDoNotFitThere) {
    EXPECT_TRUE(floyd::fitsInMemory<std::uint32_t>(0xFFFFFFFFull));
    EXPECT_FALSE(floyd::fitsInMemory<std::uint32_t>(0x100000000ull));
    EXPECT_FALSE(floyd::fitsInMemory<std::uint32_t>(0x100000004ull)); // would be cut to 4
    EXPECT_TRUE(floyd::fitsInMemory<std::uint64_t>(0x100000000ull));
}

TEST(FloydPixel, EveryDepthReadsItsOwnPacking) {
    const std::uint8_t row[] = {0xA5, 0x3C, 0x81, 0x7E, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    struct Case {
        unsigned depth;
        std::uint32_t mask;
        std::uint32_t j;
        std::uint8_t expected;
    };
    const Case cases[] = {
        {1, 1, 0, 1},
        {1, 1, 1, 0},
        {1, 1, 2, 1},
        {1, 1, 15, 0},
        {1, 1, 13, 1},
        {4, 0xF, 0, 0x5},
        {4, 0xF, 1, 0xA},
        {4, 0x7, 1, 0x2},
        {4, 0xF, 3, 0x3},
        {8, 0xFF, 2, 0x81},
        {8, 0x1F, 3, 0x1E},
        {16, 0xFFFF, 1, 0x81},
        {16, 0x1FF, 0, 0xA5},
        {24, 0xFFFFFF, 1, 0x7E},
        {24, 0xFFFF00, 1, 0x00},
        {32, 0xFFFFFFFF, 2, 0x9A},
        {2, 3, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(floyd::pixelOf(row, c.depth, c.mask, c.j), c.expected)
            << "depth " << c.depth << " column " << c.j;
}

TEST(FloydImage, RoundTripAtEveryLoadableDepth) {
    struct Case {
        std::uint16_t colourCount;
        std::uint8_t depth;
    };
    for (const Case c : {Case{2, 1}, Case{16, 4}, Case{5, 4}, Case{200, 8}, Case{300, 16}}) {
        FloydPicture p;
        p.colourCount = c.colourCount;
        p.bitsPerPixel = c.depth;
        p.flags = floyd::kCounterClockwiseFlag;
        for (std::uint16_t r = 0; r < 3; ++r) {
            std::vector<std::uint16_t> row;
            for (std::uint16_t j = 0; j < 7 + r * 5; ++j)
                row.push_back(static_cast<std::uint16_t>((j * 37 + r) % c.colourCount));
            p.rows.push_back(row);
        }
        const std::string path = tempFile("depth" + std::to_string(c.colourCount) + ".fld");
        ASSERT_TRUE(floyd::save(p, path));
        FloydImage image;
        image.Load(path);
        EXPECT_EQ(image.header().colourCount, c.colourCount);
        EXPECT_TRUE(image.counterClockwise());
        ASSERT_EQ(image.rowCount(), 3u);
        for (std::size_t r = 0; r < 3; ++r) {
            ASSERT_EQ(image.rowWidth(r), p.rows[r].size());
            for (std::uint32_t j = 0; j < image.rowWidth(r); ++j)
                EXPECT_EQ(image.pixel(r, j), p.rows[r][j] & 0xFF)
                    << c.colourCount << " row " << r << " col " << j;
        }
        EXPECT_EQ(image.pixel(3, 0), 0);
        EXPECT_EQ(image.pixel(0, 1000), 0);
    }
}

TEST(FloydImage, MissingFileSaysSoAndKeepsNothing) {
    FloydImage image;
    const std::string path = tempFile("absent.fld");
    try {
        image.Load(path);
        FAIL() << "no error";
    } catch (const FloydError& e) {
        EXPECT_EQ(std::string(e.what()), "Input file doesn't exist: " + path);
        EXPECT_EQ(e.kind(), FloydError::Kind::NotFound);
    }
}

TEST(FloydImage, LoadingAgainReleasesThePreviousPicture) {
    const std::string good = tempFile("first.fld");
    ASSERT_TRUE(floyd::save(twoRowPicture(), good));
    const std::string bad = tempFile("second.fld");
    writeBytes(bad, {1, 2, 3});
    FloydImage image;
    image.Load(good);
    EXPECT_EQ(image.rowCount(), 2u);
    EXPECT_THROW(image.Load(bad), FloydError);
    EXPECT_EQ(image.rowCount(), 0u);
    EXPECT_EQ(image.header().magic, 0u);
    EXPECT_EQ(image.dataSize(), 0u);
}

struct Malformed {
    const char* name;
    void (*apply)(std::vector<std::uint8_t>&);
};

constexpr std::size_t kFirstEntry = floyd::kHeaderSize;
constexpr std::size_t kSecondEntry = kFirstEntry + floyd::kRowEntrySize + 4; // first row: width 10, 4 bytes

const Malformed kMalformed[] = {
    {"BadMagic", [](auto& b) { b[0] = 0; }},
    {"FormatByte2", [](auto& b) { b[26] = 2; }},
    {"Colours16StoredAt8",
     [](auto& b) {
         setLe(b, 20, 16, 2);
         b[25] = 8;
     }},
    {"Colours5StoredAt8",
     [](auto& b) {
         setLe(b, 20, 5, 2);
         b[25] = 8;
     }},
    {"Colours300StoredAt8",
     [](auto& b) {
         setLe(b, 20, 300, 2);
         b[25] = 8;
     }},
    {"DepthNotAStorageDepth", [](auto& b) { b[25] = 2; }},
    {"RowCountBeyondFile", [](auto& b) { setLe(b, 10, 0xFFFF, 2); }},
    {"RowCountOneTooMany", [](auto& b) { setLe(b, 10, 3, 2); }},
    {"EndOffsetBelowEntry", [](auto& b) { setLe(b, kSecondEntry, kSecondEntry + 15, 4); }},
    {"EndOffsetBeforePreviousRow", [](auto& b) { setLe(b, kSecondEntry, 8, 4); }},
    {"EndOffsetBeyondFile", [](auto& b) { setLe(b, kSecondEntry, 0x7FFFFFFF, 4); }},
    {"RowDataShorterThanStride", [](auto& b) { setLe(b, kFirstEntry + 4, 33, 4); }}, // 33 px need 8 bytes
    {"HugeWidth", [](auto& b) { setLe(b, kFirstEntry + 4, 0xFFFFFFFF, 4); }},
};

class FloydMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(FloydMalformed, IsRejectedWithTheFileErrorText) {
    auto bytes = floyd::serialize(twoRowPicture());
    GetParam().apply(bytes);
    const std::string path = tempFile(std::string(GetParam().name) + ".fld");
    writeBytes(path, bytes);
    FloydImage image;
    try {
        image.Load(path);
        FAIL() << "accepted";
    } catch (const FloydError& e) {
        EXPECT_EQ(std::string(e.what()), "error writing input file: " + path);
    }
    EXPECT_EQ(image.rowCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Forms, FloydMalformed, ::testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FloydImage, EndOffsetInsideTheRowsOwnEntryIsAFileErrorNotAMemoryOne) {
    // An end that stops within the 16 bytes of the row's entry would make the row's
    // data size negative; the file is bad, whatever a later step would make of it.
    const auto good = floyd::serialize(twoRowPicture());
    for (std::size_t entry : {kFirstEntry, kSecondEntry}) {
        for (std::uint32_t into : {0u, 1u, 8u, floyd::kRowEntrySize - 1}) {
            auto bytes = good;
            setLe(bytes, entry, static_cast<std::uint32_t>(entry + into), 4);
            std::istringstream in(std::string(bytes.begin(), bytes.end()));
            FloydImage image;
            try {
                image.loadFrom(in, bytes.size(), "p.fld");
                ADD_FAILURE() << "accepted an end at entry " << entry << " + " << into;
            } catch (const FloydError& e) {
                EXPECT_EQ(e.kind(), FloydError::Kind::File) << entry << " + " << into << ": " << e.what();
                EXPECT_EQ(std::string(e.what()), "error writing input file: p.fld");
            }
            EXPECT_EQ(image.rowCount(), 0u);
            EXPECT_EQ(image.dataSize(), 0u);
        }
    }
}

TEST(FloydImage, RowOfWidthTenAtDepthOneNeedsFourBytes) {
    auto bytes = floyd::serialize(twoRowPicture());
    ASSERT_EQ(bytes.size(), kSecondEntry + floyd::kRowEntrySize + 4);
    // Shrink the first row's data to 3 bytes: one short of the stride.
    auto shorter = bytes;
    shorter.erase(shorter.begin() + kFirstEntry + floyd::kRowEntrySize);
    setLe(shorter, kFirstEntry, kSecondEntry - 1, 4);
    setLe(shorter, kSecondEntry - 1, static_cast<std::uint32_t>(shorter.size()), 4);
    const std::string path = tempFile("stride3.fld");
    writeBytes(path, shorter);
    FloydImage image;
    EXPECT_THROW(image.Load(path), FloydError);

    // Padding beyond the stride is allowed.
    auto longer = bytes;
    longer.insert(longer.begin() + kSecondEntry, {0xEE, 0xEE});
    setLe(longer, kFirstEntry, kSecondEntry + 2, 4);
    setLe(longer, kSecondEntry + 2, static_cast<std::uint32_t>(longer.size()), 4);
    writeBytes(path, longer);
    image.Load(path);
    ASSERT_EQ(image.rowCount(), 2u);
    EXPECT_EQ(image.pixel(0, 0), 1);
    EXPECT_EQ(image.pixel(0, 1), 0);
    EXPECT_EQ(image.pixel(0, 9), 1);
    EXPECT_EQ(image.pixel(1, 2), 1);
}

TEST(FloydImage, EveryTruncationIsRejected) {
    const auto bytes = floyd::serialize(twoRowPicture());
    const std::string path = tempFile("cut.fld");
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        writeBytes(path,
                   std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
        FloydImage image;
        EXPECT_THROW(image.Load(path), FloydError) << "length " << n;
    }
}

TEST(JobViewTexts, TableHoldsEveryTextOnceAndFormatsThePath) {
    std::set<std::string_view> seen;
    for (const auto& row : kJobViewTexts)
        EXPECT_TRUE(seen.insert(row.text).second) << row.text;
    EXPECT_EQ(formatJobViewText(JobViewText::FloydNotFound, "a.fld"), "Input file doesn't exist: a.fld");
    EXPECT_EQ(formatJobViewText(JobViewText::FloydFileError, "a.fld"), "error writing input file: a.fld");
    EXPECT_EQ(formatJobViewText(JobViewText::FloydReadError, "a.fld"), "error reading input file a.fld");
    EXPECT_EQ(formatJobViewText(JobViewText::FloydMemory, "a.fld"), "Insufficient memory");
}

} // namespace
