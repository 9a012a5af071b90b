#include "platform/machine/MachineSettings.h"

#include "platform/WindowsText.h"

#include <limits>

namespace qmplatform::emulated {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kStateStopped = "stopped";
constexpr const char* kStateRunning = "running";

bool readService(const std::string& name, const Json& node, ServiceBehaviour& out, std::string& error) {
    if (!node.is_object()) {
        error = "services." + name + " must be an object";
        return false;
    }
    ServiceBehaviour result;
    if (const auto it = node.find("state"); it != node.end()) {
        if (*it == kStateStopped) {
            result.state = ServiceRunState::Stopped;
        } else if (*it == kStateRunning) {
            result.state = ServiceRunState::Running;
        } else {
            error = "services." + name + ".state must be \"stopped\" or \"running\"";
            return false;
        }
    }
    if (const auto it = node.find("startSeconds"); it != node.end()) {
        if (!it->is_number_unsigned() || it->get<std::uint64_t>() > 86400) {
            error = "services." + name + ".startSeconds must be a whole number of seconds up to 86400";
            return false;
        }
        result.startSeconds = static_cast<std::uint32_t>(it->get<std::uint64_t>());
    }
    if (const auto it = node.find("neverStarts"); it != node.end()) {
        if (!it->is_boolean()) {
            error = "services." + name + ".neverStarts must be true or false";
            return false;
        }
        result.neverStarts = it->get<bool>();
    }
    out = result;
    return true;
}

bool readRestarts(const Json& node, std::vector<RestartRequest>& out, std::string& error) {
    if (!node.is_array()) {
        error = "restarts must be an array";
        return false;
    }
    std::vector<RestartRequest> result;
    for (const Json& item : node) {
        RestartRequest request;
        const auto flags = item.is_object() ? item.find("flags") : item.end();
        if (!item.is_object() || flags == item.end() || !flags->is_number_unsigned() ||
            flags->get<std::uint64_t>() > std::numeric_limits<std::uint32_t>::max()) {
            error = "each entry of restarts needs \"flags\", a 32-bit number";
            return false;
        }
        request.flags = static_cast<std::uint32_t>(flags->get<std::uint64_t>());
        if (const auto time = item.find("time"); time != item.end()) {
            if (!time->is_string()) {
                error = "restarts[].time must be a text";
                return false;
            }
            request.time = time->get<std::string>();
        }
        result.push_back(std::move(request));
    }
    out = std::move(result);
    return true;
}

} // namespace

bool settingsFromJson(const Json& document, MachineSettings& out, std::string& error) {
    if (!document.is_object()) {
        error = "the settings must be a JSON object";
        return false;
    }
    MachineSettings result;
    if (const auto it = document.find("userName"); it != document.end()) {
        if (!it->is_string() || it->get<std::string>().empty()) {
            error = "userName must be a non-empty text";
            return false;
        }
        const std::wstring name = fromUtf8(it->get<std::string>());
        // The name becomes a folder below C:\users.
        if (name == L"." || name == L".." || name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
            error = "userName must be usable as a folder name";
            return false;
        }
        result.userName = name;
    }
    if (const auto it = document.find("administrator"); it != document.end()) {
        if (!it->is_boolean()) {
            error = "administrator must be true or false";
            return false;
        }
        result.administrator = it->get<bool>();
    }
    if (const auto it = document.find("environment"); it != document.end()) {
        if (!it->is_object()) {
            error = "environment must be an object of texts";
            return false;
        }
        for (const auto& [name, value] : it->items()) {
            if (!value.is_string() || name.empty() || name.find('=', 1) != std::string::npos) {
                error = "environment." + name + " must be a text under a name without '='";
                return false;
            }
            result.environment.emplace(fromUtf8(name), fromUtf8(value.get<std::string>()));
        }
    }
    if (const auto it = document.find("services"); it != document.end()) {
        if (!it->is_object()) {
            error = "services must be an object";
            return false;
        }
        for (const auto& [name, node] : it->items()) {
            ServiceBehaviour behaviour;
            if (!readService(name, node, behaviour, error)) {
                return false;
            }
            if (!result.services.emplace(fromUtf8(name), behaviour).second) {
                error = "services." + name + " is given twice (names ignore case)";
                return false;
            }
        }
    }
    if (const auto it = document.find("restarts"); it != document.end()) {
        if (!readRestarts(*it, result.restarts, error)) {
            return false;
        }
    }
    out = std::move(result);
    return true;
}

void serviceToJson(std::wstring_view name, const ServiceBehaviour& behaviour, Json& document) {
    Json& services = document["services"];
    if (!services.is_object()) {
        services = Json::object();
    }
    // Keep the entry's other keys and the spelling its name already has.
    std::string key = toUtf8(name);
    for (const auto& item : services.items()) {
        if (equalNoCase(fromUtf8(item.key()), name)) {
            key = item.key();
            break;
        }
    }
    Json& node = services[key];
    if (!node.is_object()) {
        node = Json::object();
    }
    node["state"] = behaviour.state == ServiceRunState::Running ? kStateRunning : kStateStopped;
    node["startSeconds"] = behaviour.startSeconds;
    node["neverStarts"] = behaviour.neverStarts;
}

void settingsToJson(const MachineSettings& settings, Json& document) {
    if (!document.is_object()) {
        document = Json::object();
    }
    document["userName"] = toUtf8(settings.userName);
    document["administrator"] = settings.administrator;
    Json environment = Json::object();
    for (const auto& [name, value] : settings.environment) {
        environment[toUtf8(name)] = toUtf8(value);
    }
    document["environment"] = std::move(environment);
    for (const auto& [name, behaviour] : settings.services) {
        serviceToJson(name, behaviour, document);
    }
    Json restarts = Json::array();
    for (const RestartRequest& request : settings.restarts) {
        restarts.push_back(Json{{"flags", request.flags}, {"time", request.time}});
    }
    document["restarts"] = std::move(restarts);
}

} // namespace qmplatform::emulated
