// Any byte string must either parse into a consistent job or be refused.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "jobfile/JobFile.h"
#include "jobfile/JobFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    JobFile::Job job;
    if (!JobFile::parseJob(data, size, job))
        return 0;
    std::size_t bytes = JobFile::kFileHeaderSize;
    for (const JobFile::Track& t : job.tracks) {
        if (t.marks.size() != JobFile::markBytesFor(t.markCount))
            std::abort();
        bytes += JobFile::kTrackRecordSize + t.auxiliary.size() + t.marks.size();
    }
    if (bytes != size)
        std::abort();
    return 0;
}
