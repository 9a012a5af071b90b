// Windows' text rules for names (registry keys, environment variables, file
// names): comparison ignoring case the way the system's upcase table does for
// the letters a machine here meets (ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic), and UTF-8 <-> wide conversion for host file names and JSON.
// wchar_t is UTF-16 on Windows and UTF-32 elsewhere; both are handled.
#pragma once

#include <string>
#include <string_view>

namespace qmplatform {

wchar_t upcaseChar(wchar_t c);
// <0, 0, >0 like wcscmp, on the upcased characters.
int compareNoCase(std::wstring_view a, std::wstring_view b);
inline bool equalNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && compareNoCase(a, b) == 0;
}

struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const { return compareNoCase(a, b) < 0; }
};

// Invalid sequences become U+FFFD; nothing is dropped silently.
std::string toUtf8(std::wstring_view text);
// The same, appended to `out` (no buffer of its own for each text).
void appendUtf8(std::string& out, std::wstring_view text);
std::wstring fromUtf8(std::string_view text);

} // namespace qmplatform
