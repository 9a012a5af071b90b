// The engine's settings come from a machine.json that users edit: any bytes
// must give settings or a refusal, never a crash.
#include "EngineConfig.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const nlohmann::json document = nlohmann::json::parse(data, data + size, nullptr, false);
    if (document.is_discarded()) {
        return 0;
    }
    qmprtens::EngineConfig config;
    std::string error;
    const auto section = document.is_object() ? document.find("printEngine") : document.end();
    qmprtens::parseEngineConfig(section != document.end() ? *section : document, config, error);
    return 0;
}
