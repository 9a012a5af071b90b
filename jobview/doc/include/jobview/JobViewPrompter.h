// Everything modal the job document asks of its user. The window supplies
// message boxes and the statistics dialog; tests script and record it.
#pragma once

#include <string>

struct JobStatistics;

class JobViewPrompter {
public:
    virtual ~JobViewPrompter() = default;
    // A plain OK message box.
    virtual void showMessage(const std::string& text) = 0;
    // The modal "File Statistics" dialog.
    virtual void showStatistics(const JobStatistics& statistics) = 0;
};
