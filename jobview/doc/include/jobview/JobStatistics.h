// The figures of "Show File Statistics" and how the dialog writes them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace JobFile {
class CJobFile;
}

struct JobStatistics {
    std::uint64_t trackPixels = 0;   // sum of every track's markCount
    std::uint64_t trackPixelsOn = 0; // set bits over every byte of every track's marks
    double percentOn = 0.0;          // 0 for a job without track pixels
};

JobStatistics computeStatistics(JobFile::CJobFile& job);

// The statistics dialog: one row per figure, the control that shows it and its label.
struct StatisticsRow {
    int controlId;
    std::string_view label;
};
inline constexpr StatisticsRow kStatisticsRows[] = {
    {1002, "Number of track pixels:"},
    {1003, "Number of track pixels turned on:"},
    {1001, "Percent of track pixels turned on:"},
};

// Texts for the controls of kStatisticsRows, in the same order: decimal
// integers, the percent with six significant digits followed by "%".
struct StatisticsTexts {
    std::string trackPixels;
    std::string trackPixelsOn;
    std::string percentOn;
};
StatisticsTexts formatStatistics(const JobStatistics& statistics);
