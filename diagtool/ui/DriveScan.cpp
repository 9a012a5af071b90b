#include "DriveScan.h"

#include "diagtool/client/QMRT_Exception.h"
#include "QuillmarkUtilityModel.h"

QStringList WindowsDiagnosticsScan::scanDrivesAndMedia(const QMRT::ServerCreator& create) {
    try {
        // The model holds COM for the length of one scan only.
        QuillmarkUtilityModel model(create);
        return model.scanDrivesAndMedia();
    } catch (const QMRT::QMRT_Exception&) {
        return {};
    }
}
