#include "DriveSettings.h"

#include "platform/WindowsText.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace discprintmgr {

namespace {

using Json = nlohmann::ordered_json;
using qmplatform::fromUtf8;
using qmplatform::toUtf8;

struct Bad {
    std::string reason;
};

std::wstring text(const Json& object, const char* key, const std::wstring& fallback) {
    const auto found = object.find(key);
    if (found == object.end()) {
        return fallback;
    }
    if (!found->is_string()) {
        throw Bad{std::string(key) + " is not a text"};
    }
    return fromUtf8(found->get<std::string>());
}

template <typename T> T number(const Json& object, const char* key, T fallback) {
    const auto found = object.find(key);
    if (found == object.end()) {
        return fallback;
    }
    if (!found->is_number_integer()) {
        throw Bad{std::string(key) + " is not a whole number"};
    }
    const auto value = found->get<std::int64_t>();
    if (value < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
        value > static_cast<std::int64_t>(std::numeric_limits<T>::max())) {
        throw Bad{std::string(key) + " is out of range"};
    }
    return static_cast<T>(value);
}

HRESULT hresult(const Json& value, const std::string& method) {
    if (value.is_number_integer()) {
        const auto n = value.get<std::int64_t>();
        if (n >= INT32_MIN && n <= static_cast<std::int64_t>(UINT32_MAX)) {
            return static_cast<HRESULT>(static_cast<std::uint32_t>(n));
        }
    } else if (value.is_string()) {
        const std::string s = value.get<std::string>();
        unsigned long parsed = 0;
        int used = 0;
        if (s.size() > 2 && s.size() <= 10 && (s.compare(0, 2, "0x") == 0 || s.compare(0, 2, "0X") == 0) &&
            std::sscanf(s.c_str() + 2, "%lx%n", &parsed, &used) == 1 &&
            used == static_cast<int>(s.size() - 2)) {
            return static_cast<HRESULT>(static_cast<std::uint32_t>(parsed));
        }
    }
    throw Bad{"failure of " + method + " is not an HRESULT"};
}

std::map<std::string, HRESULT> failures(const Json& object) {
    std::map<std::string, HRESULT> out;
    const auto found = object.find("failures");
    if (found == object.end()) {
        return out;
    }
    if (!found->is_object()) {
        throw Bad{"failures is not an object"};
    }
    for (const auto& [method, value] : found->items()) {
        out[method] = hresult(value, method);
    }
    return out;
}

QMCAPILib::QMCAPI_MEDIA_INFORMATION media(const Json& object) {
    if (!object.is_object()) {
        throw Bad{"media is neither null nor an object"};
    }
    QMCAPILib::QMCAPI_MEDIA_INFORMATION m{};
    m.value1 = number<std::int32_t>(object, "value1", 0);
    m.value2 = number<std::int32_t>(object, "value2", 0);
    m.imagingParameter = number<std::int16_t>(object, "imagingParameter", 0);
    m.value4 = number<std::int32_t>(object, "value4", 0);
    m.value5 = number<std::int32_t>(object, "value5", 0);
    m.shapeAndSize = number<std::int32_t>(object, "shapeAndSize", 0);
    const auto bytes = object.find("bytes");
    if (bytes != object.end()) {
        if (!bytes->is_array() || bytes->size() > 6) {
            throw Bad{"media bytes are not a list of up to six"};
        }
        for (std::size_t i = 0; i < bytes->size(); ++i) {
            const Json& b = (*bytes)[i];
            if (!b.is_number_integer() || b.get<std::int64_t>() < 0 || b.get<std::int64_t>() > 255) {
                throw Bad{"a media byte is not 0 to 255"};
            }
            m.bytes[i] = static_cast<std::uint8_t>(b.get<std::int64_t>());
        }
    }
    return m;
}

SimulatedDrive drive(const Json& object) {
    if (!object.is_object()) {
        throw Bad{"a drive is not an object"};
    }
    SimulatedDrive d;
    d.path = text(object, "path", L"");
    d.vendor = text(object, "vendor", d.vendor);
    d.product = text(object, "product", d.product);
    d.displayName = text(object, "displayName", d.displayName);
    d.capabilities = number<std::int32_t>(object, "capabilities", d.capabilities);
    d.innerRadius = number<std::int32_t>(object, "innerRadius", d.innerRadius);
    d.outerRadius = number<std::int32_t>(object, "outerRadius", d.outerRadius);
    const std::wstring tray = text(object, "tray", L"closed");
    if (tray != L"closed" && tray != L"open") {
        throw Bad{"tray is neither \"open\" nor \"closed\""};
    }
    d.trayOpen = tray == L"open";
    d.detectMilliseconds = number<std::uint32_t>(object, "detectMilliseconds", 0);
    const auto found = object.find("media");
    if (found != object.end() && !found->is_null()) {
        d.media = media(*found);
    }
    d.failures = failures(object);
    return d;
}

} // namespace

bool readServerSettings(const Json& document, ServerSettings& settings, std::string& error) {
    settings = ServerSettings{};
    if (!document.is_object()) {
        return true;
    }
    const auto section = document.find(kSection);
    if (section == document.end()) {
        return true;
    }
    try {
        if (!section->is_object()) {
            throw Bad{"the section is not an object"};
        }
        ServerSettings read;
        read.updateShellCommand = text(*section, "updateShellCommand", L"");
        read.spoolFolder = text(*section, "spoolFolder", kDefaultSpoolFolder);
        read.failures = failures(*section);
        const auto drives = section->find("drives");
        if (drives != section->end()) {
            if (!drives->is_array()) {
                throw Bad{"drives is not a list"};
            }
            for (const Json& d : *drives) {
                read.drives.push_back(drive(d));
            }
        }
        settings = std::move(read);
        return true;
    } catch (const Bad& bad) {
        error = std::string(kSection) + ": " + bad.reason;
        return false;
    }
}

Json serverSettingsJson(const ServerSettings& settings) {
    auto hex = [](HRESULT hr) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(hr)));
        return std::string(buffer);
    };
    auto failureJson = [&](const std::map<std::string, HRESULT>& failures) {
        Json out = Json::object();
        for (const auto& [method, hr] : failures) {
            out[method] = hex(hr);
        }
        return out;
    };
    Json section = Json::object();
    section["updateShellCommand"] = toUtf8(settings.updateShellCommand);
    section["spoolFolder"] = toUtf8(settings.spoolFolder);
    if (!settings.failures.empty()) {
        section["failures"] = failureJson(settings.failures);
    }
    Json drives = Json::array();
    for (const SimulatedDrive& d : settings.drives) {
        Json j = Json::object();
        j["path"] = toUtf8(d.path);
        j["vendor"] = toUtf8(d.vendor);
        j["product"] = toUtf8(d.product);
        j["displayName"] = toUtf8(d.displayName);
        j["capabilities"] = d.capabilities;
        j["innerRadius"] = d.innerRadius;
        j["outerRadius"] = d.outerRadius;
        j["tray"] = d.trayOpen ? "open" : "closed";
        j["detectMilliseconds"] = d.detectMilliseconds;
        if (d.media) {
            const auto& m = *d.media;
            j["media"] = Json{{"imagingParameter", m.imagingParameter},
                              {"shapeAndSize", m.shapeAndSize},
                              {"value1", m.value1},
                              {"value2", m.value2},
                              {"value4", m.value4},
                              {"value5", m.value5},
                              {"bytes", Json(std::vector<int>(m.bytes, m.bytes + 6))}};
        } else {
            j["media"] = nullptr;
        }
        if (!d.failures.empty()) {
            j["failures"] = failureJson(d.failures);
        }
        drives.push_back(std::move(j));
    }
    section["drives"] = std::move(drives);
    return section;
}

} // namespace discprintmgr
