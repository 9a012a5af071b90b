#include "jobview/JobStatistics.h"

#include <bit>
#include <sstream>

#include "jobfile/JobFile.h"

JobStatistics computeStatistics(JobFile::CJobFile& job) {
    JobStatistics s;
    const unsigned long count = job.GetNumberOfTracks();
    for (unsigned long i = 0; i < count; ++i) {
        const JobFile::Track track = job.GetTrack(static_cast<int>(i));
        s.trackPixels += track.markCount;
        for (unsigned char byte : track.marks)
            s.trackPixelsOn += static_cast<std::uint64_t>(std::popcount(byte));
    }
    // A job without track pixels shows 0 % rather than the NaN of 0 / 0.
    s.percentOn = s.trackPixels == 0
                      ? 0.0
                      : static_cast<double>(s.trackPixelsOn) / static_cast<double>(s.trackPixels) * 100.0;
    return s;
}

StatisticsTexts formatStatistics(const JobStatistics& statistics) {
    auto text = [](auto value) {
        std::ostringstream out;
        out << value;
        return out.str();
    };
    return {text(statistics.trackPixels), text(statistics.trackPixelsOn), text(statistics.percentOn) + "%"};
}
