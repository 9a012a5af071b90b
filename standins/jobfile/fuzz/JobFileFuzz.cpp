// Any byte string must either parse into a consistent job or be refused.
// Random bytes rarely get past the magic, so each input is also tried behind
// a valid header prefix and as a set of byte patches to a well-formed job.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "jobfile/JobFile.h"
#include "jobfile/JobFormat.h"
#include "jobfile/JobWriter.h"

namespace {

void check(const std::vector<std::uint8_t>& bytes) {
    JobFile::Job job;
    if (!JobFile::parseJob(bytes.data(), bytes.size(), job))
        return;
    std::size_t total = JobFile::kFileHeaderSize;
    for (const JobFile::Track& t : job.tracks) {
        if (t.marks.size() != JobFile::markBytesFor(t.markCount))
            std::abort();
        total += JobFile::kTrackRecordSize + t.auxiliary.size() + t.marks.size();
    }
    if (total != bytes.size())
        std::abort();
    // What parses writes back unchanged, but for the header word the format leaves unread.
    std::vector<std::uint8_t> expected = bytes;
    const JobFile::FieldSpec& unread = JobFile::field(JobFile::kFileHeaderFields, "reserved6");
    std::fill_n(expected.begin() + unread.offset, unread.size, std::uint8_t{0});
    if (JobFile::JobWriter::serialize(job) != expected)
        std::abort();
}

const std::vector<std::uint8_t>& wellFormed() {
    static const std::vector<std::uint8_t> bytes = [] {
        JobFile::Job job;
        job.labeling.trackPitch = 50800;
        job.drive.outerRadius = 57600;
        for (std::uint16_t i = 0; i < 3; ++i) {
            JobFile::Track t;
            t.trackNumber = i;
            t.markCount = static_cast<std::uint16_t>(9 + i * 8);
            t.marks.assign(JobFile::markBytesFor(t.markCount), 0x5A);
            t.auxiliary.assign(i, 0x11);
            job.tracks.push_back(t);
        }
        return JobFile::JobWriter::serialize(job);
    }();
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check(std::vector<std::uint8_t>(data, data + size));

    std::vector<std::uint8_t> prefixed = {0x51, 0x4D, 0x4A, 0x42, 3, 0};
    prefixed.insert(prefixed.end(), data, data + size);
    check(prefixed);

    std::vector<std::uint8_t> patched = wellFormed();
    std::size_t i = 0;
    if (size > 0 && (data[0] & 1)) { // odd first byte: cut the file short
        patched.resize(data[0] % patched.size());
        i = 1;
    }
    for (; i + 3 <= size && !patched.empty(); i += 3)
        patched[(data[i] | (data[i + 1] << 8)) % patched.size()] = data[i + 2];
    check(patched);
    return 0;
}
