#include "SampleDrives.h"

#include "DriveSettings.h"

#include "platform/machine/Machine.h"

#include <nlohmann/json.hpp>

namespace qmmachine {

namespace {

using namespace discprintmgr;

SimulatedDrive drive(const wchar_t* path, const wchar_t* displayName, std::int16_t imagingParameter,
                     std::int32_t shapeAndSize) {
    SimulatedDrive d;
    d.path = path;
    d.displayName = displayName;
    // Long enough to watch the busy bar, short enough for tests.
    d.detectMilliseconds = 400;
    d.media = QMCAPILib::QMCAPI_MEDIA_INFORMATION{
        0x5141, 1, imagingParameter, 0, 0, {0x51, 0x4D, 0x01, 0x00, 0x00, 0x00}, shapeAndSize};
    return d;
}

bool drivesFor(std::string_view sample, ServerSettings& settings) {
    if (sample == "healthy" || sample == "slow-service" || sample == "dead-service") {
        settings.drives = {drive(L"E", L"Quillmark QLD-2400", 12, 0),
                           drive(L"F", L"Quillmark QLD-2400", 18, 1)};
        settings.drives[1].product = L"QLD-2400S";
        return true;
    }
    if (sample == "broken" || sample == "no-admin") {
        SimulatedDrive invalid = drive(L"E", L"Quillmark QLD-2400", 12, 0);
        invalid.failures["Validate"] = static_cast<HRESULT>(0xC004022Bu); // unsupported drive
        SimulatedDrive empty = drive(L"F", L"Quillmark QLD-2400", 0, 0);
        empty.media.reset();
        settings.drives = {invalid, empty};
        return true;
    }
    return sample == "no-drives";
}

} // namespace

bool writeSampleDrives(std::string_view sample, qmplatform::emulated::Machine& machine, std::string& error) {
    ServerSettings settings;
    if (!drivesFor(sample, settings)) {
        return true;
    }
    return machine.updateSettings(
        [&](nlohmann::ordered_json& document, std::string&) {
            document[kSection] = serverSettingsJson(settings);
            return true;
        },
        error);
}

} // namespace qmmachine
