#include "diagtool/client/DriveCore.h"

#include <utility>

namespace QMRT {

std::string driveLabel(const std::string& displayName, const std::string& path) {
    return displayName + " (" + path + ":)";
}

std::vector<DriveInfo> enumerateDrives(const ServerCreator& create) {
    QMRT_EnumDiscPrinters printers(create);
    const int count = printers.Count();
    std::vector<DriveInfo> drives;
    for (int index = 0; index < count; ++index) {
        DriveInfo drive;
        std::unique_ptr<QMRT_DiscPrinter> printer;
        try {
            printer = printers.Item(index);
            drive.displayName = printer->GetPrinterDisplayName();
            drive.path = printer->GetPrinterPath();
            drive.label = driveLabel(drive.displayName, drive.path);
            printer->Validate();
            drive.validated = true;
        } catch (const QMRT_Exception&) {
            drive.validated = false;
        }
        if (printer) {
            printer->Destroy();
        }
        drives.push_back(std::move(drive));
    }
    return drives;
}

int countDrives(const ServerCreator& create) {
    try {
        QMRT_EnumDiscPrinters printers(create);
        return printers.Count();
    } catch (const QMRT_Exception&) {
        throw;
    } catch (...) {
        throw QMRT_Exception(kStatusFailure, "QMRT_EnumDiscPrinters", "Unknown Win32 error", -1);
    }
}

std::function<int()> driveCountForChecks(ServerCreator create) {
    return [create = std::move(create)] { return countDrives(create); };
}

std::unique_ptr<QMRT_DiscPrinter> findDriveByPath(const std::string& path, const ServerCreator& create) {
    QMRT_EnumDiscPrinters printers(create);
    const int count = printers.Count();
    for (int index = 0; index < count; ++index) {
        std::unique_ptr<QMRT_DiscPrinter> printer = printers.Item(index);
        if (printer->GetPrinterPath() == path) {
            return printer;
        }
        printer->Destroy();
    }
    throw QMRT_Exception(kStatusDriveChanged, "QuillmarkModel::getQuillmarkDiscPrinterByPath(QString path)",
                         "", 0);
}

bool detectMedia(const std::string& path, QMRT_MediaInformation& info, bool closeTray,
                 const ServerCreator& create) {
    try {
        std::unique_ptr<QMRT_DiscPrinter> printer = findDriveByPath(path, create);
        printer->Validate();
        if (closeTray) {
            printer->CloseDriveTray();
        }
        info = printer->GetCurrentMedia(QMRT_OPTIMIZE_MEDIA);
        printer->Destroy();
        return true;
    } catch (const QMRT_Exception&) {
        return false;
    }
}

std::string getUpdateShellCommand(const ServerCreator& create) {
    QMRT_QMInfo info(create);
    return info.GetUpdateShellCommand();
}

std::string scanLineStart(int index, const std::string& label) {
    return "Drive " + std::to_string(index) + " : " + label;
}

std::string scanMediaSuffix(std::int16_t imagingParameter) {
    return ", Media Imaging Parameter : " + std::to_string(imagingParameter);
}

std::string scanErrorSuffix(const QMRT_Exception& error) {
    return "Error getting media ID:" + error.message() + "Error code:" + std::to_string(error.code()) + "\n";
}

std::vector<std::string> scanDrivesAndMedia(const MediaDetector& detect, const ServerCreator& create) {
    std::vector<DriveInfo> drives;
    try {
        drives = enumerateDrives(create);
    } catch (const QMRT_Exception&) {
        return {kEnumerationFailedLine};
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        std::string line = scanLineStart(static_cast<int>(i), drives[i].label);
        try {
            const std::optional<QMRT_MediaInformation> media = detect(drives[i].path);
            line += media ? scanMediaSuffix(media->imagingParameter) : kNoMediaSuffix;
        } catch (const QMRT_Exception& error) {
            line += scanErrorSuffix(error);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace QMRT
