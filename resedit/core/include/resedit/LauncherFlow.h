// The launcher's loop: read a DRF's format version, show the matching editor,
// and keep going while an editor leaves a DRF for the other one.
#pragma once

#include "resedit/EditorLayout.h"
#include "resedit/EditorSession.h"
#include "resedit/Prompter.h"

#include <functional>
#include <string>

namespace resedit {

class LauncherFlow {
public:
    // Shows one editor modally on a DRF path and returns when it has closed.
    using RunEditor = std::function<void(EditorKind, const std::string& path)>;

    LauncherFlow(Prompter& prompter, NextDrfPaths& next, RunEditor runEditor);

    // True when at least one editor was shown: the launcher then closes. A
    // DRF whose version cannot be read shows "Error reading DRF"; before any
    // editor the launcher stays open for another choice.
    bool open(const std::string& path);

private:
    Prompter& prompter_;
    NextDrfPaths& next_;
    RunEditor runEditor_;
};

} // namespace resedit
