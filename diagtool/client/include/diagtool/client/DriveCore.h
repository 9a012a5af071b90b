// What the diagnostics need from the labelling system, without Qt: list the
// drives, count them, find one again by its path, read the media in one,
// the update command, and the text lines of a drive-and-media scan. The Qt
// models, the system checks and the report command all sit on these.
#pragma once

#include "diagtool/client/QMRT.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace QMRT {

// One enumerated drive; `validated` is true when Validate succeeded.
struct DriveInfo {
    std::string path;
    std::string displayName;
    std::string label;
    bool validated = false;
};

// "D (P:)": how a drive is named to the user.
std::string driveLabel(const std::string& displayName, const std::string& path);

// Creating the enumerator or counting may throw; a failure on one drive
// leaves its record as far as it was filled, with `validated` false.
std::vector<DriveInfo> enumerateDrives(const ServerCreator& create = createDiscPrintMgr);
// Throws QMRT_Exception; any other failure becomes code 256.
int countDrives(const ServerCreator& create = createDiscPrintMgr);
// The drive count the system checks take: countDrives on a fresh
// enumerator each time it is called, so a re-check sees drives plugged in
// since. The checks count any exception as "no drive".
std::function<int()> driveCountForChecks(ServerCreator create = createDiscPrintMgr);
// The drive whose path is exactly `path`; code 563 when none has it.
std::unique_ptr<QMRT_DiscPrinter> findDriveByPath(const std::string& path,
                                                  const ServerCreator& create = createDiscPrintMgr);
// Validate, optionally close the tray, read the media at optimisation level
// 1. Never throws: any failure is false, with `info` then meaningless.
bool detectMedia(const std::string& path, QMRT_MediaInformation& info, bool closeTray,
                 const ServerCreator& create = createDiscPrintMgr);
std::string getUpdateShellCommand(const ServerCreator& create = createDiscPrintMgr);

// ---- The scan lines -------------------------------------------------------
inline constexpr const char* kEnumerationFailedLine = "An expection occurred enumerating drives";
inline constexpr const char* kNoMediaSuffix = ", No media detected";

std::string scanLineStart(int index, const std::string& label);
std::string scanMediaSuffix(std::int16_t imagingParameter);
std::string scanErrorSuffix(const QMRT_Exception& error);

// Examines one drive: the media found, or nothing when detection failed.
// May throw QMRT_Exception, which the scan turns into an error suffix.
using MediaDetector = std::function<std::optional<QMRT_MediaInformation>(const std::string& path)>;
// One line per enumerated drive, each examined whether validated or not.
std::vector<std::string> scanDrivesAndMedia(const MediaDetector& detect,
                                            const ServerCreator& create = createDiscPrintMgr);

} // namespace QMRT
