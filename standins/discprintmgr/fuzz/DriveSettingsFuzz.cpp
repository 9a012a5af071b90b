// The server's settings section from any machine.json a user may have edited:
// either read or refused, never a crash, and what reads writes back the same.
#include "DriveSettings.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto document = nlohmann::ordered_json::parse(data, data + size, nullptr, false);
    if (document.is_discarded()) {
        return 0;
    }
    discprintmgr::ServerSettings settings;
    std::string error;
    if (!discprintmgr::readServerSettings(document, settings, error)) {
        return 0;
    }
    const nlohmann::ordered_json again{{discprintmgr::kSection, discprintmgr::serverSettingsJson(settings)}};
    discprintmgr::ServerSettings reread;
    if (!discprintmgr::readServerSettings(again, reread, error) ||
        reread.drives.size() != settings.drives.size()) {
        std::abort();
    }
    return 0;
}
