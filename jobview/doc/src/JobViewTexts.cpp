#include "jobview/JobViewTexts.h"

std::string formatJobViewText(JobViewText id, std::string_view argument) {
    std::string text(jobViewText(id));
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}
