#include "common/WindowsRules.h"
#include "platform/machine/EmulatedBackends.h"

namespace qmplatform::emulated {

std::optional<std::wstring> EmulatedEnvironment::get(std::wstring_view name) const {
    return machine_.environmentVariable(name);
}

bool EmulatedEnvironment::set(std::wstring_view name, std::optional<std::wstring_view> value) {
    return machine_.setEnvironmentVariable(name, value);
}

std::wstring EmulatedEnvironment::expand(std::wstring_view text) const {
    return expandEnvironmentText(
        text, [this](std::wstring_view name) { return machine_.environmentVariable(name); });
}

} // namespace qmplatform::emulated
