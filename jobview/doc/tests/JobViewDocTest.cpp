#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "jobfile/JobWriter.h"
#include "jobview/CJobViewDoc.h"
#include "jobview/FloydWriter.h"
#include "jobview/JobStatistics.h"

namespace {

class RecordingPrompter : public JobViewPrompter {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showStatistics(const JobStatistics& s) override { statistics.push_back(s); }
    std::vector<std::string> messages;
    std::vector<JobStatistics> statistics;
};

std::string tempFile(const std::string& name) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "jobview_doc";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

JobFile::Track track(std::uint16_t markCount, std::vector<unsigned char> marks) {
    JobFile::Track t;
    t.markCount = markCount;
    t.marks = std::move(marks);
    return t;
}

// Two tracks of 16 and 8 marks, bytes FF 00 and 0F: 24 pixels, 12 on.
JobFile::Job statisticsJob() {
    JobFile::Job job;
    job.labeling.trackPitch = 1600;
    job.labeling.markSpacing = 25400;
    job.drive.outerRadius = 58000;
    job.tracks.push_back(track(16, {0xFF, 0x00}));
    job.tracks.push_back(track(8, {0x0F}));
    return job;
}

std::string writeJob(const std::string& name, const JobFile::Job& job, std::uint16_t version = 3) {
    const std::string path = tempFile(name);
    const auto bytes = JobFile::JobWriter::serialize(job, version);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string writeFloyd(const std::string& name) {
    FloydPicture p;
    p.rows = {{1, 0, 1}, {1, 1}};
    const std::string path = tempFile(name);
    EXPECT_TRUE(floyd::save(p, path));
    return path;
}

struct KindCase {
    const char* path;
    DocumentKind kind;
};

class KindBySubstring : public ::testing::TestWithParam<KindCase> {};

TEST_P(KindBySubstring, FirstMatchingRuleDecides) {
    EXPECT_EQ(documentKindForPath(GetParam().path), GetParam().kind) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, KindBySubstring,
    ::testing::Values(KindCase{"x.tolm.fld", DocumentKind::Job}, KindCase{"x.fld.tolm", DocumentKind::Job},
                      KindCase{"dir.fld/x.tlm", DocumentKind::Job}, KindCase{"a.tlm", DocumentKind::Job},
                      KindCase{"/jobs/a.tolm.bak", DocumentKind::Job}, KindCase{"b.fld", DocumentKind::Floyd},
                      KindCase{"b.fldx", DocumentKind::Floyd}, KindCase{"c.FLD", DocumentKind::Unknown},
                      KindCase{"c.TOLM", DocumentKind::Unknown}, KindCase{"tolm", DocumentKind::Unknown},
                      KindCase{"", DocumentKind::Unknown}));

TEST(CJobViewDoc, OpensAVersion3JobAndOwnsItsParser) {
    RecordingPrompter prompter;
    CJobViewDoc doc(prompter);
    EXPECT_TRUE(doc.OnOpenDocument(writeJob("ok.tolm", statisticsJob())));
    ASSERT_NE(doc.job(), nullptr);
    EXPECT_EQ(doc.floyd(), nullptr);
    EXPECT_EQ(doc.job()->GetNumberOfTracks(), 2u);
    EXPECT_EQ(doc.job()->GetLabelingParameters().trackPitch, 1600u);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(CJobViewDoc, VersionOtherThan3IsRefusedWithoutAWord) {
    for (std::uint16_t version : {2, 4}) {
        RecordingPrompter prompter;
        CJobViewDoc doc(prompter);
        EXPECT_FALSE(
            doc.OnOpenDocument(writeJob("v" + std::to_string(version) + ".tolm", statisticsJob(), version)));
        EXPECT_EQ(doc.job(), nullptr);
        EXPECT_TRUE(prompter.messages.empty());
    }
}

TEST(CJobViewDoc, UnreadableOrBrokenJobSaysErrorLoadingAndStaysEmpty) {
    auto truncated = JobFile::JobWriter::serialize(statisticsJob());
    truncated.pop_back();
    const std::string broken = tempFile("broken.tolm");
    std::ofstream(broken, std::ios::binary)
        .write(reinterpret_cast<const char*>(truncated.data()),
               static_cast<std::streamsize>(truncated.size()));
    for (const std::string& path : {broken, tempFile("missing.tlm")}) {
        RecordingPrompter prompter;
        CJobViewDoc doc(prompter);
        EXPECT_FALSE(doc.OnOpenDocument(path)) << path;
        EXPECT_EQ(doc.job(), nullptr);
        ASSERT_EQ(prompter.messages.size(), 1u) << path;
        EXPECT_EQ(prompter.messages[0], "Error loading tolm file");
    }
}

TEST(CJobViewDoc, FloydFileOpensIntoAFloydImage) {
    RecordingPrompter prompter;
    CJobViewDoc doc(prompter);
    EXPECT_TRUE(doc.OnOpenDocument(writeFloyd("pic.fld")));
    ASSERT_NE(doc.floyd(), nullptr);
    EXPECT_EQ(doc.job(), nullptr);
    EXPECT_EQ(doc.floyd()->rowCount(), 2u);
    EXPECT_EQ(doc.floyd()->pixel(0, 2), 1);
}

TEST(CJobViewDoc, FloydErrorsAreShownAndLeaveTheDocumentEmpty) {
    const std::string bad = tempFile("bad.fld");
    std::ofstream(bad, std::ios::binary) << "not a floyd picture at all, just text";
    const std::string missing = tempFile("missing.fld");
    struct Case {
        std::string path;
        std::string message;
    };
    for (const Case& c : {Case{bad, "error writing input file: " + bad},
                          Case{missing, "Input file doesn't exist: " + missing}}) {
        RecordingPrompter prompter;
        CJobViewDoc doc(prompter);
        EXPECT_FALSE(doc.OnOpenDocument(c.path));
        EXPECT_EQ(doc.floyd(), nullptr);
        EXPECT_EQ(prompter.messages, std::vector<std::string>{c.message});
    }
}

TEST(CJobViewDoc, UnknownKindOpensEmptyAndStatisticsAskForATolmFile) {
    RecordingPrompter prompter;
    CJobViewDoc doc(prompter);
    EXPECT_TRUE(doc.OnOpenDocument(writeJob("job.bin", statisticsJob())));
    EXPECT_EQ(doc.job(), nullptr);
    EXPECT_EQ(doc.floyd(), nullptr);
    doc.onShowFileStatistics();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Open a tolm file first!"});
    EXPECT_TRUE(prompter.statistics.empty());
}

TEST(CJobViewDoc, StatisticsRefusedForFloydPictures) {
    RecordingPrompter prompter;
    CJobViewDoc doc(prompter);
    ASSERT_TRUE(doc.OnOpenDocument(writeFloyd("stats.fld")));
    doc.onShowFileStatistics();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"I don't do statistics for floyd files."});
    EXPECT_TRUE(prompter.statistics.empty());
}

TEST(CJobViewDoc, OpeningAnotherFileReplacesTheContent) {
    RecordingPrompter prompter;
    CJobViewDoc doc(prompter);
    ASSERT_TRUE(doc.OnOpenDocument(writeJob("first.tolm", statisticsJob())));
    ASSERT_TRUE(doc.OnOpenDocument(writeFloyd("then.fld")));
    EXPECT_EQ(doc.job(), nullptr);
    EXPECT_NE(doc.floyd(), nullptr);
    EXPECT_FALSE(doc.OnOpenDocument(tempFile("gone.tolm")));
    EXPECT_EQ(doc.floyd(), nullptr);
    ASSERT_TRUE(doc.OnOpenDocument(writeJob("again.tolm", statisticsJob())));
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.job(), nullptr);
}

TEST(JobStatistics, TwentyFourPixelsTwelveOnIsFiftyPercent) {
    RecordingPrompter prompter;
    CJobViewDoc doc(prompter);
    ASSERT_TRUE(doc.OnOpenDocument(writeJob("stats.tolm", statisticsJob())));
    doc.onShowFileStatistics();
    ASSERT_EQ(prompter.statistics.size(), 1u);
    const JobStatistics& s = prompter.statistics[0];
    EXPECT_EQ(s.trackPixels, 24u);
    EXPECT_EQ(s.trackPixelsOn, 12u);
    EXPECT_DOUBLE_EQ(s.percentOn, 50.0);
    const StatisticsTexts t = formatStatistics(s);
    EXPECT_EQ(t.trackPixels, "24");
    EXPECT_EQ(t.trackPixelsOn, "12");
    EXPECT_EQ(t.percentOn, "50%");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(JobStatistics, CountsEveryBitOfEveryByteAndHandlesNoPixels) {
    struct Case {
        std::vector<JobFile::Track> tracks;
        std::uint64_t pixels, on;
        const char* percent;
    };
    const Case cases[] = {
        {{}, 0, 0, "0%"},
        {{track(0, {})}, 0, 0, "0%"},
        {{track(3, {0x07})}, 3, 3, "100%"},
        {{track(3, {0x05}), track(0, {})}, 3, 2, "66.6667%"},
        {{track(65535, std::vector<unsigned char>(8192, 0xFF))}, 65535, 65536, "100.002%"},
    };
    for (const Case& c : cases) {
        JobFile::Job job;
        job.tracks = c.tracks;
        // Padding bits past markCount still count: the parser hands all bytes over.
        for (auto& t : job.tracks)
            t.markCount = static_cast<std::uint16_t>(std::min<std::size_t>(t.markCount, t.marks.size() * 8));
        RecordingPrompter prompter;
        CJobViewDoc doc(prompter);
        ASSERT_TRUE(doc.OnOpenDocument(writeJob("case.tolm", job)));
        const JobStatistics s = computeStatistics(*doc.job());
        EXPECT_EQ(s.trackPixels, c.pixels);
        EXPECT_EQ(s.trackPixelsOn, c.on);
        EXPECT_EQ(formatStatistics(s).percentOn, c.percent);
    }
}

TEST(JobStatistics, DialogRowsKeepTheirControlIdsAndLabels) {
    ASSERT_EQ(std::size(kStatisticsRows), 3u);
    EXPECT_EQ(kStatisticsRows[0].controlId, 1002);
    EXPECT_EQ(kStatisticsRows[0].label, "Number of track pixels:");
    EXPECT_EQ(kStatisticsRows[1].controlId, 1003);
    EXPECT_EQ(kStatisticsRows[1].label, "Number of track pixels turned on:");
    EXPECT_EQ(kStatisticsRows[2].controlId, 1001);
    EXPECT_EQ(kStatisticsRows[2].label, "Percent of track pixels turned on:");
    EXPECT_EQ(CJobViewDoc::kShowFileStatisticsCommand, 32771);
}

} // namespace
