#include "probe/SearchPath.h"

#include <optional>
#include <string>

namespace probe {

namespace {

// GetEnvironmentVariableW into a buffer of kEnvironmentBufferChars: a value
// that needs more room (with its terminator) cannot be read.
std::optional<std::wstring> readVariable(const qmplatform::Environment& environment, const wchar_t* name) {
    std::optional<std::wstring> value = environment.get(name);
    if (value && value->size() >= kEnvironmentBufferChars) {
        return std::nullopt;
    }
    return value;
}

} // namespace

bool extendSearchPath(qmplatform::Environment& environment) {
    const std::optional<std::wstring> path = readVariable(environment, L"PATH");
    const std::optional<std::wstring> common = readVariable(environment, L"CommonProgramFiles");
    if (!path || !common) {
        return false;
    }
    std::wstring extended = *common + L"\\Quillmark;" + *path;
    if (extended.size() >= kEnvironmentBufferChars) {
        return false;
    }
    return environment.set(L"PATH", extended);
}

} // namespace probe
