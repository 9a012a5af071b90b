// Registry names compare as Windows compares them: case-insensitively, by
// the upper-case form of each UTF-16 unit (so "_" sorts after "Z" and before
// "a"), and keep the case they were created with.
#pragma once

#include <string>
#include <string_view>

namespace qmplatform::emulated {

// The upper-case form of one UTF-16 unit, for Latin (Basic, Latin-1,
// Extended-A), Greek and Cyrillic letters; every other unit is its own.
char16_t regUpcase(char16_t unit);

// The form two names are compared and sorted by: equal keys mean one name.
std::u16string regNameKey(std::wstring_view name);

bool sameRegName(std::wstring_view a, std::wstring_view b);

} // namespace qmplatform::emulated
