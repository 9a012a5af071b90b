// The print-job parser the viewer links against by import.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "jobfile/JobFileExport.h"

namespace JobFile {

// One track as the parser hands it over. The plain fields keep their byte
// offsets on every platform; the two vectors take whatever size the
// standard library gives them.
struct Track {
    std::uint8_t reserved0 = 0;
    std::uint8_t lastTrack = 0; // nonzero: the job ends with this track
    std::uint16_t trackNumber = 0;
    std::uint16_t startAngle = 0;
    std::uint16_t markCount = 0;
    std::uint16_t radialOffset = 0;
    std::uint16_t reserved10[2] = {0, 0};
    std::vector<unsigned char> auxiliary;
    std::vector<unsigned char> marks; // eight marks per byte, least significant bit first
};

// Byte-exact image of the 36-byte record in the file.
struct LabelingParameters {
    std::uint8_t reserved0;
    std::uint8_t clockwise; // nonzero: tracks run clockwise on screen
    std::uint8_t reserved2[4];
    std::uint8_t spiral; // nonzero: each track is one turn of a spiral
    std::uint8_t reserved7;
    std::uint8_t reserved8[12];
    std::uint32_t trackPitch;  // nanometres
    std::uint32_t markSpacing; // nanometres along the track
    std::uint8_t reserved28[8];
};

// Byte-exact image of the 20-byte record in the file.
struct DriveCapabilities {
    std::uint8_t reserved0[4];
    std::uint16_t innerRadius;       // label area, micrometres
    std::uint16_t outerRadius;       // label area, micrometres
    std::uint16_t firstTrackRadius;  // radius of track 0, micrometres
    std::uint16_t angleUnitsPerTurn; // unit of Track::startAngle
    std::uint8_t reserved12[8];
};

static_assert(sizeof(LabelingParameters) == 36);
static_assert(sizeof(DriveCapabilities) == 20);

// Everything a job file holds.
struct Job {
    LabelingParameters labeling{};
    DriveCapabilities drive{};
    std::vector<Track> tracks;
};

// Decodes a whole job file held in memory. Returns false, with a reason in
// *error and `job` untouched, for any file that is not a well-formed
// version-3 job; never reads outside [data, data + size).
JOBFILE_API bool parseJob(const std::uint8_t* data, std::size_t size, Job& job, std::string* error = nullptr);

class JOBFILE_API CJobFile {
public:
    // Only remembers the path; nothing is read before ParseFileHeader or Parse.
    explicit CJobFile(char* path);
    ~CJobFile();
    CJobFile(const CJobFile&) = delete;
    CJobFile& operator=(const CJobFile&) = delete;

    // Reads the magic and the format version and nothing else. False when the
    // file cannot be read or is not a job file; the version is then 0.
    bool ParseFileHeader();
    // Reads the whole file. On false the object holds no tracks and zeroed
    // records, and lastError() says why.
    bool Parse();

    unsigned long GetNumberOfTracks();
    // Out-of-range indexes give a reference to an empty track instead of
    // reading past the table.
    Track& GetTrack(int index);
    LabelingParameters GetLabelingParameters();
    DriveCapabilities GetDriveCapabilities();

    const std::string& lastError() const { return error; }

    // The header's format version after ParseFileHeader or Parse.
    std::uint16_t formatVersion = 0;

private:
    std::string path;
    std::string error;
    Job job;
    Track noTrack;
};

} // namespace JobFile
