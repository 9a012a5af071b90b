// Windows' own rules for texts the system functions take, written out so the
// emulated machine follows them everywhere (on Windows the real functions
// are used, and the tests hold the two against each other under Wine).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qmplatform {

// PathAppendW: the leading backslashes of `more` are dropped (unless it
// names a network share); an absolute `more` ("X:..." or a share) replaces
// the path; otherwise the two are joined with one backslash. The result is
// canonicalised as PathCanonicalizeW does ("." dropped, ".." taking back one
// component but never the root nor a share's server name). False, with `path` untouched, when the
// result would not fit in MAX_PATH characters with its terminator.
bool pathAppendRules(std::wstring& path, std::wstring_view more);

// PathCanonicalizeW on its own (without the length limit).
std::wstring pathCanonicalize(std::wstring_view path);

// ExpandEnvironmentStringsW: "%NAME%" becomes the variable's value. An
// unknown "%NAME%" is kept as written and the scan goes on after it, so its
// closing '%' opens no reference ("%NOPE%PATH%" stays as it is, as Wine's
// kernel32 has it); a '%' without a closing one is kept.
std::wstring
expandEnvironmentText(std::wstring_view text,
                      const std::function<std::optional<std::wstring>(std::wstring_view)>& lookup);

} // namespace qmplatform
