// Environment variables of the running program, as Windows sees them:
// names compare case-insensitively, PATH separates folders with ';'.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmplatform {

class Environment {
public:
    virtual ~Environment() = default;
    virtual std::optional<std::wstring> get(std::wstring_view name) const = 0;
    // No value removes the variable. Changes last for this process only.
    [[nodiscard]] virtual bool set(std::wstring_view name, std::optional<std::wstring_view> value) = 0;
    // ExpandEnvironmentStrings: %NAME% is replaced by the value; an unknown
    // name or a lone '%' is kept as written.
    virtual std::wstring expand(std::wstring_view text) const = 0;
};

} // namespace qmplatform
