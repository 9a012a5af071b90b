#include "jobfile/JobWriter.h"

#include <cstring>
#include <limits>
#include <stdexcept>

#include "Bytes.h"
#include "platform/FileReplace.h"
#include "jobfile/JobFormat.h"

namespace JobFile {

using detail::putLe16;
using detail::putLe32;

std::vector<std::uint8_t> JobWriter::serialize(const Job& job, std::uint16_t formatVersion) {
    if (job.tracks.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::invalid_argument("too many tracks for a job file");
    std::size_t total = kFileHeaderSize;
    for (const Track& t : job.tracks) {
        if (t.marks.size() != markBytesFor(t.markCount))
            throw std::invalid_argument("track " + std::to_string(t.trackNumber) + " has " +
                                        std::to_string(t.marks.size()) + " mark bytes for " +
                                        std::to_string(t.markCount) + " marks");
        if (t.auxiliary.size() > std::numeric_limits<std::uint16_t>::max())
            throw std::invalid_argument("auxiliary track data longer than 65535 bytes");
        total += kTrackRecordSize + t.auxiliary.size() + t.marks.size();
    }

    std::vector<std::uint8_t> out(total, 0);
    putLe32(out.data() + kMagicField.offset, kMagic);
    putLe16(out.data() + kVersionField.offset, formatVersion);
    std::memcpy(out.data() + kLabelingField.offset, &job.labeling, sizeof(LabelingParameters));
    std::memcpy(out.data() + kDriveField.offset, &job.drive, sizeof(DriveCapabilities));
    putLe32(out.data() + kTrackCountField.offset, static_cast<std::uint32_t>(job.tracks.size()));

    std::size_t pos = kFileHeaderSize;
    for (const Track& t : job.tracks) {
        std::uint8_t* rec = out.data() + pos;
        rec[field(kTrackRecordFields, "reserved0").offset] = t.reserved0;
        rec[field(kTrackRecordFields, "lastTrack").offset] = t.lastTrack;
        putLe16(rec + field(kTrackRecordFields, "trackNumber").offset, t.trackNumber);
        putLe16(rec + field(kTrackRecordFields, "startAngle").offset, t.startAngle);
        putLe16(rec + field(kTrackRecordFields, "markCount").offset, t.markCount);
        putLe16(rec + field(kTrackRecordFields, "radialOffset").offset, t.radialOffset);
        putLe16(rec + field(kTrackRecordFields, "reserved10").offset, t.reserved10[0]);
        putLe16(rec + field(kTrackRecordFields, "reserved10").offset + 2, t.reserved10[1]);
        putLe16(rec + field(kTrackRecordFields, "auxiliaryLength").offset,
                static_cast<std::uint16_t>(t.auxiliary.size()));
        pos += kTrackRecordSize;
        if (!t.auxiliary.empty())
            std::memcpy(out.data() + pos, t.auxiliary.data(), t.auxiliary.size());
        pos += t.auxiliary.size();
        if (!t.marks.empty())
            std::memcpy(out.data() + pos, t.marks.data(), t.marks.size());
        pos += t.marks.size();
    }
    return out;
}

bool JobWriter::save(const Job& job, const std::filesystem::path& path, std::string* error) {
    std::string why;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = serialize(job);
    } catch (const std::invalid_argument& e) {
        why = e.what();
    }
    if (why.empty() && qmplatform::writeFileReplacing(path, bytes, why))
        return true;
    if (error)
        *error = why;
    return false;
}

} // namespace JobFile
