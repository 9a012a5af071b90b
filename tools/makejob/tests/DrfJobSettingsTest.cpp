// A job's geometry from a DRF print mode: which record each value comes from
// in every format, what the command line keeps, and the refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "drf/DrfBuilder.h"
#include "DrfJobSettings.h"

using namespace makejob;

namespace {

std::filesystem::path writeDrf(const drf::testing::DrfBuilder& b, const std::string& name) {
    const auto path = std::filesystem::path(::testing::TempDir()) / name;
    b.write(path);
    return path;
}

// Media 101 Normal and Best, media 111 Draft only, with the values a test sets.
drf::testing::DrfBuilder modes(std::uint32_t format) {
    drf::testing::DrfBuilder b;
    b.formatVersion(format).mode(101, 1).mode(101, 0).mode(111, 2).mode(120, 1, 0);
    return b;
}

bool mentions(const std::vector<std::string>& lines, const std::string& start, const std::string& part) {
    for (const std::string& l : lines)
        if (l.rfind(start, 0) == 0)
            return l.find(part) != std::string::npos;
    return false;
}

TEST(DrfJobSettings, EveryFormatGivesItsRecordsValues) {
    struct Case {
        std::uint32_t format;
        const char* spacingKind;
        const char* spiralKind; // nullptr: the format has no spiral value
        bool hasDirection;
    } cases[] = {
        {1, "ResolutionsFile", nullptr, true},
        {2, "ResolutionsFile", nullptr, true},
        {3, "ResolutionsFile", "FeaturesFile", true},
        {4, "PrintModeDataFile", "DriveDataFile", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        drf::testing::DrfBuilder b = modes(c.format);
        b.value(101, 1, c.spacingKind, "TrackSpacingNM", 60000).value(101, 1, c.spacingKind, "MarkSpacingNM", 25400);
        b.value(101, 0, c.spacingKind, "TrackSpacingNM", 70000);
        const char* shiftKind = c.format == 4 ? "PrintModeDataFile" : "TrackingFile";
        b.value(101, 1, shiftKind, "PerTrackShiftAngle", -30);
        if (c.spiralKind)
            b.value(101, 1, c.spiralKind, "EnableSpiralTracking", 1);
        if (c.hasDirection)
            b.value(101, 1, "TrackingFile", "TrackDirCW", 0);
        const auto path = writeDrf(b, "geometry" + std::to_string(c.format) + ".bin");

        DrfJobGeometry g;
        std::string error;
        ASSERT_TRUE(readDrfGeometry(path, 101, 1, g, &error)) << error;
        EXPECT_EQ(g.trackSpacingNm.value, 60000);
        EXPECT_EQ(g.trackSpacingNm.source, std::string(c.spacingKind) + ".TrackSpacingNM");
        EXPECT_EQ(g.markSpacingNm.value, 25400);
        EXPECT_EQ(g.perTrackShiftAngle.value, -30);
        EXPECT_EQ(g.spiralTracking.value.has_value(), c.spiralKind != nullptr);
        EXPECT_EQ(g.trackDirClockwise.value.has_value(), c.hasDirection);

        jobgen::LabelOptions o;
        const auto lines = applyGeometry(g, {}, o);
        EXPECT_EQ(o.trackPitchNm, 60000u);
        EXPECT_EQ(o.tracksPerInch, 423u); // 25.4 mm / 60 um, rounded, for a floyd header
        EXPECT_EQ(o.markSpacingNm, 25400u);
        EXPECT_EQ(o.dotsPerInch, 1000u);
        EXPECT_EQ(o.startAngleStep, 370u) << "-30 wraps into the turn of 400 units";
        EXPECT_EQ(o.spiral, c.spiralKind != nullptr);
        EXPECT_EQ(o.clockwise, !c.hasDirection) << "the default stays where the DRF says nothing";
        EXPECT_TRUE(mentions(lines, "track spacing", "media 101 Normal, " + g.trackSpacingNm.source));
        EXPECT_TRUE(mentions(lines, "direction", c.hasDirection ? "TrackingFile.TrackDirCW = 0" : "default"));
        // The job records carry the DRF's nanometres exactly.
        const JobFile::LabelingParameters lab = jobgen::labelingParameters(o);
        EXPECT_EQ(lab.trackPitch, 60000u);
        EXPECT_EQ(lab.markSpacing, 25400u);

        // Another quality of the same media has its own spacing.
        ASSERT_TRUE(readDrfGeometry(path, 101, 0, g, &error)) << error;
        EXPECT_EQ(g.trackSpacingNm.value, 70000);
    }
}

TEST(DrfJobSettings, CommandLineValuesWin) {
    DrfJobGeometry g;
    g.media = 101;
    g.quality = 1;
    g.trackSpacingNm = {60000, "ResolutionsFile.TrackSpacingNM"};
    g.markSpacingNm = {25400, "ResolutionsFile.MarkSpacingNM"};
    g.trackDirClockwise = {0, "TrackingFile.TrackDirCW"};
    g.spiralTracking = {1, "FeaturesFile.EnableSpiralTracking"};
    g.perTrackShiftAngle = {12, "TrackingFile.PerTrackShiftAngle"};
    struct Case {
        ExplicitOptions given;
        std::uint32_t pitchNm, spacingNm;
        bool clockwise, spiral;
        unsigned step;
    } cases[] = {
        {{}, 60000, 25400, false, true, 12},
        {{true, false, false, false, false}, 0, 25400, false, true, 12},
        {{false, true, false, false, false}, 60000, 0, false, true, 12},
        {{false, false, true, true, true}, 60000, 25400, true, false, 5},
    };
    for (const Case& c : cases) {
        jobgen::LabelOptions o;
        o.startAngleStep = 5;
        const auto lines = applyGeometry(g, c.given, o);
        EXPECT_EQ(o.trackPitchNm, c.pitchNm);
        EXPECT_EQ(o.markSpacingNm, c.spacingNm);
        EXPECT_EQ(o.tracksPerInch, c.given.tracksPerInch ? 500u : 423u);
        EXPECT_EQ(o.clockwise, c.clockwise);
        EXPECT_EQ(o.spiral, c.spiral);
        EXPECT_EQ(o.startAngleStep, c.step);
        EXPECT_EQ(mentions(lines, "track spacing", "(--tpi)"), c.given.tracksPerInch);
        EXPECT_EQ(mentions(lines, "mark spacing", "(--dpi)"), c.given.dotsPerInch);
    }
}

TEST(DrfJobSettings, UnusableSpacingsAreRefused) {
    for (std::int64_t bad : {std::int64_t(0), std::int64_t(-5)}) {
        DrfJobGeometry g;
        g.trackSpacingNm = {bad, "ResolutionsFile.TrackSpacingNM"};
        g.markSpacingNm = {2000, "ResolutionsFile.MarkSpacingNM"};
        jobgen::LabelOptions o;
        EXPECT_THROW(applyGeometry(g, {}, o), jobgen::OptionError) << bad;
        ExplicitOptions tpi;
        tpi.tracksPerInch = true;
        EXPECT_NO_THROW(applyGeometry(g, tpi, o)) << "--tpi stands in for the DRF's value";
    }
}

TEST(DrfJobSettings, MissingPrintModesNameWhatTheFileHas) {
    const auto path = writeDrf(modes(3), "modes.bin");
    struct Case {
        std::uint16_t media, quality;
        const char* says;
    } cases[] = {
        {999, 1, "no print mode for media 999;"},
        {111, 1, "no print mode for media 111 quality Normal (1);"},
        {120, 1, "no print mode for media 120;"}, // listed, but not available
    };
    for (const Case& c : cases) {
        DrfJobGeometry g;
        std::string error;
        EXPECT_FALSE(readDrfGeometry(path, c.media, c.quality, g, &error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_NE(error.find("media 101: Generic: Normal (1), Best (0)"), std::string::npos) << error;
        EXPECT_NE(error.find("media 111"), std::string::npos) << error;
        EXPECT_EQ(error.find("media 120"), error.find("media 120;")) << "unavailable modes are not offered";
    }
    DrfJobGeometry g;
    std::string error;
    EXPECT_FALSE(readDrfGeometry(std::filesystem::path(::testing::TempDir()) / "none.bin", 101, 1, g, &error));
    EXPECT_NE(error.find("not a readable DRF"), std::string::npos) << error;
}

TEST(DrfJobSettings, MarksTooFineForAJobTrackAreThinned) {
    struct Case {
        std::uint32_t nm;
        unsigned outer, turns, stride;
    } cases[] = {
        {25400, 57600, 1, 1}, {5600, 57600, 1, 1},   // 64,627 marks a turn: still fits
        {5500, 57600, 1, 2}, {1050, 57600, 1, 6},     // 344,676 marks a turn
        {1050, 57600, 2, 11}, {1, 40000, 1, 3836},    {0, 57600, 1, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(markStride(c.nm, c.outer, c.turns), c.stride) << c.nm << " nm, " << c.turns << " turns";

    // Through applyGeometry, with the job generator as the judge of what fits.
    DrfJobGeometry g;
    g.trackSpacingNm = {103333, "ResolutionsFile.TrackSpacingNM"};
    g.markSpacingNm = {1050, "ResolutionsFile.MarkSpacingNM"};
    for (bool spiral : {false, true}) {
        jobgen::LabelOptions o;
        ExplicitOptions given;
        given.spiral = true;
        o.spiral = spiral;
        const auto lines = applyGeometry(g, given, o);
        EXPECT_EQ(o.markSpacingNm, 1050u * (spiral ? 11u : 6u));
        EXPECT_TRUE(mentions(lines, "mark spacing drawn", spiral ? "every 11th mark" : "every 6th mark"));
        for (unsigned step : {0u, 1u, 37u, 399u}) {
            o.startAngleStep = step;
            EXPECT_NO_THROW(jobgen::planJobTracks(o)) << spiral << " " << step;
        }
        if (!spiral) {
            o.markSpacingNm -= 1050; // one mark fewer skipped no longer fits a turn
            EXPECT_THROW(jobgen::planJobTracks(o), jobgen::OptionError);
        }
    }
}

TEST(DrfJobSettings, QualityNamesAndNumbers) {
    struct Case {
        const char* text;
        std::optional<std::uint16_t> value;
    } cases[] = {{"0", 0},          {"2", 2},          {"7", 7},          {"65535", 65535}, {"65536", {}},
                 {"best", 0},       {"NORMAL", 1},     {"Draft", 2},      {"", {}},         {"-1", {}},
                 {"marvelous", {}}, {"1x", {}}};
    for (const Case& c : cases)
        EXPECT_EQ(parseQuality(c.text), c.value) << c.text;
}

} // namespace
