// Texts the job document shows, exactly as users know them.
#pragma once

#include <string>
#include <string_view>

enum class JobViewText {
    ErrorLoadingTolm,
    OpenTolmFirst,
    NoFloydStatistics,
    FloydNotFound,
    FloydMemory,
    FloydFileError,
    FloydReadError,
};

struct JobViewTextRow {
    JobViewText id;
    std::string_view text; // %s stands for a path
};

inline constexpr JobViewTextRow kJobViewTexts[] = {
    {JobViewText::ErrorLoadingTolm, "Error loading tolm file"},
    {JobViewText::OpenTolmFirst, "Open a tolm file first!"},
    {JobViewText::NoFloydStatistics, "I don't do statistics for floyd files."},
    {JobViewText::FloydNotFound, "Input file doesn't exist: %s"},
    {JobViewText::FloydMemory, "Insufficient memory"},
    {JobViewText::FloydFileError, "error writing input file: %s"},
    {JobViewText::FloydReadError, "error reading input file %s"},
};

constexpr std::string_view jobViewText(JobViewText id) {
    for (const JobViewTextRow& row : kJobViewTexts)
        if (row.id == id)
            return row.text;
    return {};
}

// The text with its %s replaced by `argument`.
std::string formatJobViewText(JobViewText id, std::string_view argument = {});
