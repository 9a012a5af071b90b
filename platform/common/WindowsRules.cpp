#include "common/WindowsRules.h"

#include "platform/Win32Codes.h"

#include <vector>

namespace qmplatform {

namespace {

bool isUnc(std::wstring_view path) {
    return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

bool hasDrive(std::wstring_view path) {
    return path.size() >= 2 && path[1] == L':';
}

// PathIsRelative: neither rooted ("\...") nor on a drive ("X:...").
bool isRelative(std::wstring_view path) {
    return !(path.starts_with(L'\\') || hasDrive(path));
}

} // namespace

std::wstring pathCanonicalize(std::wstring_view path) {
    if (path.empty()) {
        return L"\\";
    }
    std::wstring root;
    std::wstring_view rest = path;
    std::size_t fixedComponents = 0; // ".." never takes back a share's server name
    if (isUnc(path)) {
        root = L"\\\\";
        rest.remove_prefix(2);
        fixedComponents = 1;
    } else if (hasDrive(path)) {
        root = path.substr(0, 2);
        rest.remove_prefix(2);
        if (rest.starts_with(L'\\')) {
            root += L'\\';
            rest.remove_prefix(1);
        }
    } else if (path.starts_with(L'\\')) {
        root = L"\\";
        rest.remove_prefix(1);
    }
    const bool trailingSeparator = rest.ends_with(L'\\');
    std::vector<std::wstring_view> components;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(L'\\'), rest.size());
        const std::wstring_view component = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (component == L".") {
            continue;
        }
        if (component == L"..") {
            if (components.size() > fixedComponents) {
                components.pop_back();
            }
            continue;
        }
        if (component.empty() && fixedComponents == 0) {
            continue;
        }
        components.push_back(component);
    }
    std::wstring result = root;
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0) {
            result += L'\\';
        }
        result += components[i];
    }
    if (trailingSeparator && !components.empty()) {
        result += L'\\';
    }
    // A bare drive ("C:") is its root.
    if (result.size() == 2 && result[1] == L':') {
        result += L'\\';
    }
    if (result.empty()) {
        result = L"\\";
    }
    return result;
}

bool pathAppendRules(std::wstring& path, std::wstring_view more) {
    if (!isUnc(more)) {
        while (more.starts_with(L'\\')) {
            more.remove_prefix(1);
        }
    }
    std::wstring joined;
    if (more.empty()) {
        joined = path;
    } else if (path.empty() || !isRelative(more)) {
        joined = more;
    } else {
        joined = path;
        if (!joined.ends_with(L'\\')) {
            joined += L'\\';
        }
        joined += more;
    }
    if (joined.size() >= kMaxPath) {
        return false;
    }
    // Resolving "." and ".." never lengthens a path (a bare drive gains only
    // its backslash), so the check above covers the result too.
    path = pathCanonicalize(joined);
    return true;
}

std::wstring
expandEnvironmentText(std::wstring_view text,
                      const std::function<std::optional<std::wstring>(std::wstring_view)>& lookup) {
    std::wstring out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != L'%') {
            out += text[i++];
            continue;
        }
        const std::size_t close = text.find(L'%', i + 1);
        if (close == std::wstring_view::npos) {
            out.append(text.substr(i));
            break;
        }
        const std::wstring_view name = text.substr(i + 1, close - i - 1);
        std::optional<std::wstring> value;
        if (!name.empty()) {
            value = lookup(name);
        }
        if (value) {
            out += *value;
            i = close + 1;
        } else {
            // Keep "%NAME%" as written and go on after it.
            out.append(text.substr(i, close - i + 1));
            i = close + 1;
        }
    }
    return out;
}

} // namespace qmplatform

#ifndef _WIN32
// Windows has the real PathAppendW (win32/Win32ShellFolders.cpp).
#include "platform/ShellFolders.h"

namespace qmplatform {

bool pathAppend(std::wstring& path, std::wstring_view more) {
    return pathAppendRules(path, more);
}

} // namespace qmplatform
#endif
