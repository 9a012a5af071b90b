#include "resedit/LauncherFlow.h"

#include "resedit/DrfEditState.h"
#include "resedit/Paths.h"
#include "resedit/Texts.h"

#include "drf/Status.h"

#include <utility>

namespace resedit {

LauncherFlow::LauncherFlow(Prompter& prompter, NextDrfPaths& next, RunEditor runEditor)
    : prompter_(prompter), next_(next), runEditor_(std::move(runEditor)) {}

bool LauncherFlow::open(const std::string& firstPath) {
    bool shown = false;
    std::string path = firstPath;
    while (!path.empty()) {
        std::uint32_t version = 0;
        if (readFormatVersion(pathFromUtf8(path), version) != drf::kResultOk) {
            prompter_.message(kMsgErrorReading);
            break;
        }
        runEditor_(editorForVersion(version), path);
        shown = true;
        if (!next_.fromClassic.empty()) {
            path = std::exchange(next_.fromClassic, {});
        } else {
            path = std::exchange(next_.fromReorg, {});
        }
    }
    return shown;
}

} // namespace resedit
