#include "jobfile/JobFile.h"

#include <cstring>
#include <limits>

#include "Bytes.h"
#include "jobfile/JobFormat.h"

namespace JobFile {

namespace {

using detail::le16;
using detail::le32;

constexpr FieldSpec kLastTrack = field(kTrackRecordFields, "lastTrack");
constexpr FieldSpec kReserved0 = field(kTrackRecordFields, "reserved0");
constexpr FieldSpec kTrackNumber = field(kTrackRecordFields, "trackNumber");
constexpr FieldSpec kStartAngle = field(kTrackRecordFields, "startAngle");
constexpr FieldSpec kMarkCount = field(kTrackRecordFields, "markCount");
constexpr FieldSpec kRadialOffset = field(kTrackRecordFields, "radialOffset");
constexpr FieldSpec kReserved10 = field(kTrackRecordFields, "reserved10");
constexpr FieldSpec kAuxiliaryLength = field(kTrackRecordFields, "auxiliaryLength");

static_assert(kVersionField.offset + kVersionField.size == kVersionPrefixSize);
static_assert(kLabelingField.size == sizeof(LabelingParameters));
static_assert(kDriveField.size == sizeof(DriveCapabilities));

bool fail(std::string* error, const char* why) {
    if (error)
        *error = why;
    return false;
}

} // namespace

bool parseJob(const std::uint8_t* data, std::size_t size, Job& job, std::string* error) {
    if (size < kFileHeaderSize)
        return fail(error, "file too short for a job header");
    if (le32(data + kMagicField.offset) != kMagic)
        return fail(error, "not a print-job file (wrong magic)");
    if (le16(data + kVersionField.offset) != kFormatVersion)
        return fail(error, "unsupported format version");

    Job parsed;
    std::memcpy(&parsed.labeling, data + kLabelingField.offset, sizeof(LabelingParameters));
    std::memcpy(&parsed.drive, data + kDriveField.offset, sizeof(DriveCapabilities));
    const std::uint32_t trackCount = le32(data + kTrackCountField.offset);

    std::size_t pos = kFileHeaderSize;
    // Every track takes at least its fixed record, so a count the rest of the
    // file cannot hold is refused before anything is allocated for it.
    if (trackCount > (size - pos) / kTrackRecordSize)
        return fail(error, "track count larger than the file can hold");
    parsed.tracks.reserve(trackCount);

    for (std::uint32_t i = 0; i < trackCount; ++i) {
        if (size - pos < kTrackRecordSize)
            return fail(error, "file ends inside a track record");
        const std::uint8_t* rec = data + pos;
        Track t;
        t.reserved0 = rec[kReserved0.offset];
        t.lastTrack = rec[kLastTrack.offset];
        t.trackNumber = le16(rec + kTrackNumber.offset);
        t.startAngle = le16(rec + kStartAngle.offset);
        t.markCount = le16(rec + kMarkCount.offset);
        t.radialOffset = le16(rec + kRadialOffset.offset);
        t.reserved10[0] = le16(rec + kReserved10.offset);
        t.reserved10[1] = le16(rec + kReserved10.offset + 2);
        const std::size_t auxLength = le16(rec + kAuxiliaryLength.offset);
        const std::size_t markBytes = markBytesFor(t.markCount);
        pos += kTrackRecordSize;
        if (size - pos < auxLength + markBytes)
            return fail(error, "track data longer than the rest of the file");
        t.auxiliary.assign(data + pos, data + pos + auxLength);
        pos += auxLength;
        t.marks.assign(data + pos, data + pos + markBytes);
        pos += markBytes;
        parsed.tracks.push_back(std::move(t));
    }
    if (pos != size)
        return fail(error, "unexpected bytes after the last track");
    job = std::move(parsed);
    return true;
}

CJobFile::CJobFile(char* path) : path(path ? path : "") {}

CJobFile::~CJobFile() = default;

bool CJobFile::ParseFileHeader() {
    formatVersion = 0;
    std::vector<std::uint8_t> prefix;
    if (!detail::readFilePrefix(detail::pathFromUtf8(path), kVersionPrefixSize, prefix)) {
        error = "cannot open the file";
        return false;
    }
    if (prefix.size() < kVersionPrefixSize) {
        error = "file too short for a job header";
        return false;
    }
    if (le32(prefix.data() + kMagicField.offset) != kMagic) {
        error = "not a print-job file (wrong magic)";
        return false;
    }
    formatVersion = le16(prefix.data() + kVersionField.offset);
    return true;
}

bool CJobFile::Parse() {
    job = Job{};
    error.clear();
    std::vector<std::uint8_t> bytes;
    if (!detail::readWholeFile(detail::pathFromUtf8(path), bytes, error))
        return false;
    if (bytes.size() >= kVersionPrefixSize && le32(bytes.data() + kMagicField.offset) == kMagic)
        formatVersion = le16(bytes.data() + kVersionField.offset);
    return parseJob(bytes.data(), bytes.size(), job, &error);
}

unsigned long CJobFile::GetNumberOfTracks() {
    return static_cast<unsigned long>(job.tracks.size());
}

Track& CJobFile::GetTrack(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= job.tracks.size()) {
        noTrack = Track{};
        return noTrack;
    }
    return job.tracks[static_cast<std::size_t>(index)];
}

LabelingParameters CJobFile::GetLabelingParameters() {
    return job.labeling;
}

DriveCapabilities CJobFile::GetDriveCapabilities() {
    return job.drive;
}

} // namespace JobFile
