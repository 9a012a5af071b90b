// What a print session does with a picture.
#pragma once

#include "DriveSettings.h"

#include "contracts/QMCAPI.h"

#include <filesystem>

namespace discprintmgr {

struct PrintRequest {
    LONG imageType;
    LONG labelMode;
    LONG drawOptions;
    LONG quality;
    bool optimize;
    const BYTE* header;
    LONG headerLength;
    const BYTE* bits;
    LONG bitsLength;
};

// Writes the print job for the picture into the spool folder, reporting
// progress through `events` (may be null).
HRESULT printJob(const PrintRequest& request, const SimulatedDrive& drive,
                 const std::filesystem::path& spoolFolder, QMCAPILib::IQMDiscPrintProgressEvents* events);
// Writes the preview picture to `output` (none: only the size) and gives its
// width and height in `size`.
HRESULT printPreview(const PrintRequest& request, const std::filesystem::path& output, LONG* size);

} // namespace discprintmgr
