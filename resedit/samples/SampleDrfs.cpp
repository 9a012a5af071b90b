#include "SampleDrfs.h"

#include "drf/DrfBuilder.h"

#include <array>
#include <string_view>

namespace resedit::samples {

namespace {

using drf::testing::DrfBuilder;
using drf::testing::Share;

constexpr std::array<std::uint16_t, 3> kQualities{2, 1, 0}; // Draft, Normal, Best

// Values every print mode of a sample gets, varied by media and quality so
// that switching the selection visibly changes what the editor shows.
struct ModeValues {
    std::uint32_t trackSpacingNm;
    std::uint32_t markSpacingNm;
    std::uint32_t writePower;
    std::uint32_t readPower;
    std::uint32_t writeSpeed;
};

ModeValues valuesFor(std::uint16_t media, std::uint16_t quality) {
    const std::uint32_t step = media % 10;
    ModeValues v{};
    v.trackSpacingNm = 105833 - 2000 * quality - 500 * step; // about 240 tpi
    v.markSpacingNm = 1000 + 50 * quality;                   // about 25400 dpi
    // Best quality of the first media uses the drive's defaults (no overrides).
    const bool overrides = !(quality == 0 && step == 1);
    v.writePower = overrides ? 40 + step : 0;
    v.readPower = overrides ? 7 : 0;
    v.writeSpeed = overrides ? 3 + quality : 0;
    return v;
}

// Formats 1 to 3: one resource record of each kind per print mode.
std::vector<std::uint8_t> buildClassic(std::uint32_t version, std::uint16_t drive,
                                       const std::vector<std::uint16_t>& media) {
    DrfBuilder b;
    b.formatVersion(version).driveId(drive).patternFill(false).label("Quillmark sample DRF, format " +
                                                                     std::to_string(version));
    const std::string_view marking = version == 1 ? "MarkingFile" : "Marking2File";
    for (std::uint16_t m : media) {
        for (std::uint16_t q : kQualities) {
            b.mode(m, q);
            const ModeValues v = valuesFor(m, q);
            b.value(m, q, "ResolutionsFile", "RenderRes", 600)
                .value(m, q, "ResolutionsFile", "TrackSpacingNM", v.trackSpacingNm)
                .value(m, q, "ResolutionsFile", "MarkSpacingNM", v.markSpacingNm)
                .value(m, q, "TrackingFile", "PerTrackShiftAngle", 12)
                .value(m, q, "TrackingFile", "HostDynamicTrackShifts", 1)
                .value(m, q, marking, "LaserWritePower", v.writePower)
                .value(m, q, marking, "LaserReadPower", v.readPower)
                .value(m, q, marking, "WriteVelocity", v.writeSpeed)
                .value(m, q, marking, "PwrCvtSlopeNum", 1000)
                .value(m, q, marking, "PwrCvtSlopeDen", 1024)
                .value(m, q, marking, "PwrCvtOffset", -250)
                .value(m, q, marking, "WrtPwrUTFix", 500)
                .value(m, q, marking, "WrtPwrLTFix", 500)
                .value(m, q, marking, "WrtPwrUTRel", 10)
                .value(m, q, marking, "WrtPwrLTRel", 10)
                .value(m, q, marking, "CutBlankTracks", 1)
                .value(m, q, marking, "UseFDflt", 1);
            if (version >= 2) {
                b.value(m, q, marking, "TrkLenRndMode", 1)
                    .value(m, q, marking, "TrimCircTracks", 1)
                    .value(m, q, marking, "FocusOffset", -30);
            }
            if (version >= 3) {
                b.value(m, q, "FeaturesFile", "EnableSpiralTracking", 1)
                    .value(m, q, "FeaturesFile", "EnableSpiralHostSeamModulation", q == 0 ? 1 : 0);
            }
        }
    }
    return b.build();
}

// Format 4: drive data shared by every print mode, drive/media data by the
// qualities of a media, print-mode data per mode.
std::vector<std::uint8_t> buildFormat4(std::uint16_t drive, const std::vector<std::uint16_t>& media) {
    DrfBuilder b;
    b.formatVersion(4).driveId(drive).patternFill(false).label("Quillmark sample DRF, format 4");
    b.share(0, Share::AllModes).share(1, Share::PerMedia).share(2, Share::PerMode);
    for (std::uint16_t m : media) {
        for (std::uint16_t q : kQualities) {
            b.mode(m, q);
            const ModeValues v = valuesFor(m, q);
            b.value(m, q, "PrintModeDataFile", "TrackSpacingNM", v.trackSpacingNm)
                .value(m, q, "PrintModeDataFile", "MarkSpacingNM", v.markSpacingNm)
                .value(m, q, "PrintModeDataFile", "RenderRes", 600)
                .value(m, q, "PrintModeDataFile", "PerTrackShiftAngle", 12)
                .value(m, q, "PrintModeDataFile", "FocusOffset", -30 - 5 * q)
                .value(m, q, "PrintModeDataFile", "LaserWritePower", v.writePower)
                .value(m, q, "PrintModeDataFile", "LaserReadPower", v.readPower)
                .value(m, q, "PrintModeDataFile", "WriteVelocity", v.writeSpeed);
        }
        b.value(m, 1, "DriveMediaDataFile", "UseFDflt", m % 2);
    }
    const std::uint16_t first = media.front();
    b.value(first, 1, "DriveDataFile", "HostDynamicTrackShifts", 1)
        .value(first, 1, "DriveDataFile", "PwrCvtOffset", -250)
        .value(first, 1, "DriveDataFile", "PwrCvtSlopeNum", 1000)
        .value(first, 1, "DriveDataFile", "PwrCvtSlopeDen", 1024)
        .value(first, 1, "DriveDataFile", "TrkLenRndMode", 1)
        .value(first, 1, "DriveDataFile", "TrimCircTracks", 1)
        .value(first, 1, "DriveDataFile", "WrtPwrUTFix", 500)
        .value(first, 1, "DriveDataFile", "WrtPwrLTFix", 500)
        .value(first, 1, "DriveDataFile", "WrtPwrUTRel", 10)
        .value(first, 1, "DriveDataFile", "WrtPwrLTRel", 10)
        .value(first, 1, "DriveDataFile", "CutBlankTracks", 1)
        .value(first, 1, "DriveDataFile", "EnableSpiralTracking", 1)
        .value(first, 1, "DriveDataFile", "EnableSeamModulation", 1);
    return b.build();
}

} // namespace

std::vector<SampleDrf> sampleDrfs() {
    return {
        {"format1-drive105.bin", buildClassic(1, 105, {101, 102, 104})},
        {"format2-drive107.bin", buildClassic(2, 107, {101, 103, 105, 4095})},
        {"format3-drive111.bin", buildClassic(3, 111, {101, 111, 113, 119, 4092})},
        {"format4-drive124.bin", buildFormat4(124, {101, 111, 112, 1000})},
    };
}

} // namespace resedit::samples
