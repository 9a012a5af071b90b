#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "jobfile/JobFile.h"
#include "jobfile/JobFormat.h"
#include "jobfile/JobWriter.h"
#include "platform/FileReplace.h"

using namespace JobFile;

namespace {

std::filesystem::path tempPath(const std::string& name) {
    return std::filesystem::path(::testing::TempDir()) / ("jobfile_" + name);
}

Track makeTrack(std::uint16_t number, std::vector<unsigned char> marks, std::uint16_t markCount) {
    Track t;
    t.trackNumber = number;
    t.startAngle = static_cast<std::uint16_t>(number * 7 % 400);
    t.radialOffset = static_cast<std::uint16_t>(number * 3);
    t.markCount = markCount;
    t.marks = std::move(marks);
    return t;
}

Job sampleJob() {
    Job job;
    job.labeling.clockwise = 1;
    job.labeling.spiral = 1;
    job.labeling.trackPitch = 50800;
    job.labeling.markSpacing = 25400;
    job.labeling.reserved8[3] = 0xAB;
    job.drive.innerRadius = 23000;
    job.drive.outerRadius = 57600;
    job.drive.firstTrackRadius = 23500;
    job.drive.angleUnitsPerTurn = 400;
    job.drive.reserved0[2] = 0x5A;
    job.tracks.push_back(makeTrack(0, {0xFF, 0x00}, 16));
    job.tracks.push_back(makeTrack(1, {0x0F}, 5));
    job.tracks.push_back(makeTrack(2, {}, 0));
    job.tracks.back().auxiliary = {1, 2, 3};
    job.tracks.back().lastTrack = 1;
    job.tracks.back().reserved10[1] = 0x1234;
    return job;
}

std::vector<std::uint8_t> bytesOf(const Job& job) {
    return JobWriter::serialize(job);
}

void writeBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Opened {
    std::string path;
    CJobFile file;
    explicit Opened(const std::filesystem::path& p) : path(p.string()), file(path.data()) {}
};

TEST(JobFile, RoundTripKeepsEveryField) {
    const Job job = sampleJob();
    const auto path = tempPath("roundtrip.tolm");
    ASSERT_TRUE(JobWriter::save(job, path));
    Opened o(path);
    ASSERT_TRUE(o.file.ParseFileHeader());
    EXPECT_EQ(o.file.formatVersion, 3);
    ASSERT_TRUE(o.file.Parse()) << o.file.lastError();
    ASSERT_EQ(o.file.GetNumberOfTracks(), 3u);
    for (int i = 0; i < 3; ++i) {
        const Track& a = job.tracks[static_cast<std::size_t>(i)];
        const Track& b = o.file.GetTrack(i);
        EXPECT_EQ(b.lastTrack, a.lastTrack);
        EXPECT_EQ(b.trackNumber, a.trackNumber);
        EXPECT_EQ(b.startAngle, a.startAngle);
        EXPECT_EQ(b.markCount, a.markCount);
        EXPECT_EQ(b.radialOffset, a.radialOffset);
        EXPECT_EQ(b.reserved10[1], a.reserved10[1]);
        EXPECT_EQ(b.auxiliary, a.auxiliary);
        EXPECT_EQ(b.marks, a.marks);
    }
    const LabelingParameters l = o.file.GetLabelingParameters();
    EXPECT_EQ(std::memcmp(&job.labeling, &l, sizeof(LabelingParameters)), 0);
    const DriveCapabilities d = o.file.GetDriveCapabilities();
    EXPECT_EQ(std::memcmp(&job.drive, &d, sizeof(DriveCapabilities)), 0);
    EXPECT_EQ(d.outerRadius, 57600);
    EXPECT_EQ(o.file.GetLabelingParameters().markSpacing, 25400u);
}

TEST(JobFile, OutOfRangeTrackIndexGivesAnEmptyTrack) {
    const auto path = tempPath("range.tolm");
    ASSERT_TRUE(JobWriter::save(sampleJob(), path));
    Opened o(path);
    ASSERT_TRUE(o.file.Parse());
    for (int index : {-1, 3, 1000}) {
        Track& t = o.file.GetTrack(index);
        EXPECT_EQ(t.markCount, 0) << index;
        EXPECT_TRUE(t.marks.empty()) << index;
    }
}

TEST(JobFile, HeaderVersionIsReadWithoutTheRestOfTheFile) {
    // Only the magic and the version are present: enough for the header pass,
    // never enough for a full parse.
    auto bytes = bytesOf(sampleJob());
    bytes.resize(kVersionPrefixSize);
    bytes[4] = 2;
    const auto path = tempPath("prefix.tolm");
    writeBytes(path, bytes);
    Opened o(path);
    ASSERT_TRUE(o.file.ParseFileHeader());
    EXPECT_EQ(o.file.formatVersion, 2);
    EXPECT_FALSE(o.file.Parse());
    EXPECT_EQ(o.file.GetNumberOfTracks(), 0u);
}

TEST(JobFile, MissingOrForeignFileFailsTheHeaderPassWithVersionZero) {
    const auto foreign = tempPath("foreign.tolm");
    writeBytes(foreign, {'G', 'I', 'F', '8', '9', 'a', 0, 0});
    for (const auto& p : {tempPath("does-not-exist.tolm"), foreign}) {
        Opened o(p);
        EXPECT_FALSE(o.file.ParseFileHeader()) << p;
        EXPECT_EQ(o.file.formatVersion, 0) << p;
        EXPECT_FALSE(o.file.Parse()) << p;
        EXPECT_FALSE(o.file.lastError().empty());
    }
}

TEST(JobFile, EveryTruncationIsRefused) {
    const auto full = bytesOf(sampleJob());
    Job job;
    for (std::size_t n = 0; n < full.size(); ++n) {
        std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(parseJob(cut.data(), cut.size(), job)) << "length " << n;
    }
    EXPECT_TRUE(parseJob(full.data(), full.size(), job));
}

struct Corruption {
    const char* name;
    void (*apply)(std::vector<std::uint8_t>&);
};

void setLe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

const std::size_t kTrackCountAt = field(kFileHeaderFields, "trackCount").offset;
const std::size_t kFirstMarkCountAt = kFileHeaderSize + field(kTrackRecordFields, "markCount").offset;
const std::size_t kFirstAuxAt = kFileHeaderSize + field(kTrackRecordFields, "auxiliaryLength").offset;

const Corruption kCorruptions[] = {
    {"WrongMagic", [](auto& b) { b[0] ^= 0xFF; }},
    {"Version2", [](auto& b) { b[4] = 2; }},
    {"Version4", [](auto& b) { b[4] = 4; }},
    {"Version259", [](auto& b) { b[5] = 1; }},
    {"TrackCountHuge", [](auto& b) { setLe32(b, kTrackCountAt, 0xFFFFFFFFu); }},
    {"TrackCountOneTooMany", [](auto& b) { setLe32(b, kTrackCountAt, 4); }},
    {"MarkCountBeyondFile", [](auto& b) { b[kFirstMarkCountAt + 1] = 0xFF; }},
    {"AuxiliaryBeyondFile",
     [](auto& b) {
         b[kFirstAuxAt] = 0xFF;
         b[kFirstAuxAt + 1] = 0xFF;
     }},
    {"TrailingByte", [](auto& b) { b.push_back(0); }},
};

class JobCorruption : public ::testing::TestWithParam<Corruption> {};

TEST_P(JobCorruption, IsRefusedByParseAndLeavesNoTracks) {
    auto bytes = bytesOf(sampleJob());
    GetParam().apply(bytes);
    const auto path = tempPath(std::string(GetParam().name) + ".tolm");
    writeBytes(path, bytes);
    Opened o(path);
    EXPECT_FALSE(o.file.Parse());
    EXPECT_EQ(o.file.GetNumberOfTracks(), 0u);
    EXPECT_EQ(o.file.GetLabelingParameters().trackPitch, 0u);
    EXPECT_FALSE(o.file.lastError().empty());
}

INSTANTIATE_TEST_SUITE_P(Forms, JobCorruption, ::testing::ValuesIn(kCorruptions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JobWriter, RefusesTracksWhoseMarkBytesDoNotMatchTheirCount) {
    for (auto [count, bytes] : {std::pair{9, 1}, std::pair{8, 2}, std::pair{0, 1}}) {
        Job job;
        job.tracks.push_back(makeTrack(0, std::vector<unsigned char>(static_cast<std::size_t>(bytes)),
                                       static_cast<std::uint16_t>(count)));
        EXPECT_THROW(JobWriter::serialize(job), std::invalid_argument) << count << "/" << bytes;
    }
}

TEST(JobWriter, FailedSaveLeavesTheOldFileAndNoTempBehind) {
    const auto path = tempPath("keep.tolm");
    ASSERT_TRUE(JobWriter::save(sampleJob(), path));
    const auto before = readBytes(path);
    Job bad = sampleJob();
    bad.tracks[0].marks.push_back(0);
    std::string error;
    EXPECT_FALSE(JobWriter::save(bad, path, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readBytes(path), before);

    EXPECT_FALSE(JobWriter::save(sampleJob(), tempPath("no-such-dir") / "x.tolm", &error));
    EXPECT_FALSE(std::filesystem::exists(tempPath("no-such-dir")));
}

TEST(JobWriter, SaveReplacesAnExistingFile) {
    const auto path = tempPath("replace.tolm");
    writeBytes(path, {1, 2, 3});
    Job job = sampleJob();
    job.tracks.resize(1);
    ASSERT_TRUE(JobWriter::save(job, path));
    EXPECT_EQ(readBytes(path), bytesOf(job));
    EXPECT_FALSE(std::filesystem::exists(qmplatform::replacementTempPath(path)));
}

} // namespace
