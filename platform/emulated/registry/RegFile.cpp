#include "emulated/registry/RegFile.h"

#include "platform/RegistryData.h"

#include <array>
#include <cstdio>

namespace qmplatform::emulated {

namespace {

constexpr std::wstring_view kHeader = L"Windows Registry Editor Version 5.00";
constexpr std::wstring_view kHeader4 = L"REGEDIT4";

struct RootEntry {
    RegRoot root;
    std::wstring_view name;
};

constexpr std::array<RootEntry, 3> kRoots = {{
    {RegRoot::LocalMachine, L"HKEY_LOCAL_MACHINE"},
    {RegRoot::CurrentUser, L"HKEY_CURRENT_USER"},
    {RegRoot::ClassesRoot, L"HKEY_CLASSES_ROOT"},
}};

// regedit wraps a hex line once it passes this column, before the next byte.
constexpr std::size_t kHexWrapColumn = 76;

bool asciiSameCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

int hexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring_view trimmed(std::wstring_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Strict UTF-8: no overlong forms, no encoded surrogates, nothing past
// U+10FFFF. Characters beyond the BMP become surrogate pairs where wchar_t
// is 16 bits wide.
bool decodeUtf8(std::span<const std::uint8_t> in, std::wstring& out, std::size_t& badOffset) {
    std::size_t i = 0;
    while (i < in.size()) {
        const std::uint8_t b = in[i];
        std::uint32_t cp = 0;
        std::size_t extra = 0;
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            cp = b & 0x1F;
            extra = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            cp = b & 0x0F;
            extra = 2;
        } else if (b >= 0xF0 && b <= 0xF4) {
            cp = b & 0x07;
            extra = 3;
        } else {
            badOffset = i;
            return false;
        }
        if (in.size() - i <= extra) {
            badOffset = i;
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const std::uint8_t c = in[i + k];
            if ((c & 0xC0) != 0x80) {
                badOffset = i;
                return false;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
        if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
            badOffset = i;
            return false;
        }
        if (sizeof(wchar_t) == 2 && cp > 0xFFFF) {
            out.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
        i += extra + 1;
    }
    return true;
}

// "line N: " for the line that holds the first `count` bytes' end, so that
// every error of a file names a line, also the ones found before it is text.
std::string lineOf(std::span<const std::uint8_t> bytes, std::size_t count, std::size_t unit) {
    std::size_t line = 1;
    for (std::size_t i = 0; i + unit <= count && i + unit <= bytes.size(); i += unit) {
        if (bytes[i] == '\n' && (unit == 1 || bytes[i + 1] == 0)) {
            ++line;
        }
    }
    return "line " + std::to_string(line) + ": ";
}

bool decodeText(std::span<const std::uint8_t> bytes, std::wstring& text, std::string& error) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        if (bytes.size() % 2 != 0) {
            error = lineOf(bytes.subspan(2), bytes.size() - 2, 2) + "UTF-16 text with an odd number of bytes";
            return false;
        }
        text = fromUtf16le(bytes.subspan(2));
        return true;
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        error = "line 1: UTF-16 big-endian text is not read; regedit writes little-endian";
        return false;
    }
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes = bytes.subspan(3);
    }
    std::size_t bad = 0;
    if (!decodeUtf8(bytes, text, bad)) {
        error = lineOf(bytes, bad, 1) + "byte " + std::to_string(bad) +
                " is not valid UTF-8 (a file without byte-order mark is read as UTF-8)";
        return false;
    }
    return true;
}

std::vector<std::wstring_view> splitLines(std::wstring_view text) {
    std::vector<std::wstring_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

class Parser {
public:
    explicit Parser(std::vector<std::wstring_view> lines) : lines_(std::move(lines)) {}

    bool run(RegFileContents& out, std::string& error) {
        if (!header()) {
            error = error_;
            return false;
        }
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            std::wstring_view line = lines_[index_];
            while (!line.empty() && isBlank(line.front())) {
                line.remove_prefix(1);
            }
            bool ok = true;
            if (line.empty() || line.front() == L';') {
                continue;
            } else if (line.front() == L'[') {
                ok = keyLine(line);
            } else if (line.front() == L'@' || line.front() == L'"') {
                ok = valueLine(line);
            } else {
                ok = fail("neither a key, a value nor a comment");
            }
            if (!ok) {
                error = error_;
                return false;
            }
        }
        out = std::move(contents_);
        return true;
    }

private:
    bool fail(const std::string& why) {
        error_ = "line " + std::to_string(index_ + 1) + ": " + why;
        return false;
    }

    bool header() {
        index_ = 0;
        const std::wstring_view first = lines_.empty() ? std::wstring_view() : trimmed(lines_[0]);
        if (first == kHeader) {
            return true;
        }
        if (first == kHeader4) {
            return fail(
                "REGEDIT4 files (ANSI) are not read; export as \"Windows Registry Editor Version 5.00\"");
        }
        return fail("not a registry file: the first line must be \"Windows Registry Editor Version 5.00\"");
    }

    bool keyLine(std::wstring_view line) {
        line = trimmed(line);
        if (line.size() < 2 || line.back() != L']') {
            return fail("key name without its closing ']'");
        }
        std::wstring_view inner = line.substr(1, line.size() - 2);
        RegFileKey key;
        if (!inner.empty() && inner.front() == L'-') {
            key.remove = true;
            inner.remove_prefix(1);
        }
        if (inner.empty()) {
            return fail("empty key name");
        }
        RegRoot root;
        std::wstring below;
        if (!splitRootPath(inner, root, below)) {
            return fail(
                "the key does not start with HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_CLASSES_ROOT");
        }
        key.path = std::wstring(inner);
        contents_.keys.push_back(std::move(key));
        return true;
    }

    // From just after the opening quote; `pos` ends after the closing one.
    bool quoted(std::wstring_view line, std::size_t& pos, std::wstring& out) {
        while (pos < line.size()) {
            const wchar_t c = line[pos++];
            if (c == L'"') {
                return true;
            }
            if (c != L'\\') {
                out.push_back(c);
                continue;
            }
            if (pos >= line.size()) {
                break;
            }
            switch (line[pos++]) {
            case L'\\':
                out.push_back(L'\\');
                break;
            case L'"':
                out.push_back(L'"');
                break;
            // Wine's regedit writes line breaks inside texts this way.
            case L'n':
                out.push_back(L'\n');
                break;
            case L'r':
                out.push_back(L'\r');
                break;
            default:
                return fail(
                    "unknown escape sequence in a quoted text (only \\\\, \\\", \\n and \\r are known)");
            }
        }
        return fail("quoted text without its closing '\"'");
    }

    bool valueLine(std::wstring_view line) {
        if (contents_.keys.empty()) {
            return fail("value before the first key");
        }
        RegFileKey& key = contents_.keys.back();
        if (key.remove) {
            return fail("value under a key that the file deletes");
        }
        RegFileValue value;
        std::size_t pos = 1;
        if (line.front() == L'"' && !quoted(line, pos, value.name)) {
            return false;
        }
        while (pos < line.size() && isBlank(line[pos])) {
            ++pos;
        }
        if (pos >= line.size() || line[pos] != L'=') {
            return fail("'=' expected after the value name");
        }
        ++pos;
        while (pos < line.size() && isBlank(line[pos])) {
            ++pos;
        }
        const std::wstring_view data = line.substr(pos);
        if (!valueData(line, pos, data, value)) {
            return false;
        }
        key.values.push_back(std::move(value));
        return true;
    }

    static bool startsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
        return s.size() >= prefix.size() && asciiSameCase(s.substr(0, prefix.size()), prefix);
    }

    bool valueData(std::wstring_view line, std::size_t pos, std::wstring_view data, RegFileValue& value) {
        if (trimmed(data) == L"-") {
            value.remove = true;
            return true;
        }
        if (!data.empty() && data.front() == L'"') {
            std::wstring text;
            ++pos;
            if (!quoted(line, pos, text)) {
                return false;
            }
            if (!trimmed(line.substr(pos)).empty()) {
                return fail("text after the closing quote");
            }
            value.type = kRegSz;
            value.data = regSzData(text);
            return true;
        }
        if (startsWithNoCase(data, L"dword:")) {
            const std::wstring_view digits = trimmed(data.substr(6));
            if (digits.empty() || digits.size() > 8) {
                return fail("dword: needs 1 to 8 hex digits");
            }
            std::uint32_t n = 0;
            for (const wchar_t c : digits) {
                const int d = hexDigit(c);
                if (d < 0) {
                    return fail("dword: needs 1 to 8 hex digits");
                }
                n = (n << 4) | static_cast<std::uint32_t>(d);
            }
            value.type = kRegDword;
            value.data = regDwordData(n);
            return true;
        }
        if (startsWithNoCase(data, L"hex")) {
            return hexData(data.substr(3), value);
        }
        return fail("unknown kind of value (a quoted text, dword:, hex: or hex(type): expected)");
    }

    // After "hex": ":" or "(type):", then bytes that may continue over lines
    // ending in a backslash.
    bool hexData(std::wstring_view rest, RegFileValue& value) {
        value.type = kRegBinary;
        if (!rest.empty() && rest.front() == L'(') {
            const std::size_t close = rest.find(L')');
            if (close == std::wstring_view::npos || close == 1 || close > 9) {
                return fail("hex(type) needs 1 to 8 hex digits of type");
            }
            std::uint32_t type = 0;
            for (std::size_t i = 1; i < close; ++i) {
                const int d = hexDigit(rest[i]);
                if (d < 0) {
                    return fail("hex(type) needs 1 to 8 hex digits of type");
                }
                type = (type << 4) | static_cast<std::uint32_t>(d);
            }
            value.type = type;
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != L':') {
            return fail("':' expected after hex or hex(type)");
        }
        rest.remove_prefix(1);

        std::wstring list;
        for (;;) {
            const std::wstring_view part = trimmed(rest);
            if (part.empty() || part.back() != L'\\') {
                list += part;
                break;
            }
            list += part.substr(0, part.size() - 1);
            if (index_ + 1 >= lines_.size()) {
                return fail("the file ends inside a hex value continued with '\\'");
            }
            rest = lines_[++index_];
        }

        std::vector<std::uint8_t> bytes;
        const std::wstring_view all = trimmed(list);
        std::size_t start = 0;
        while (!all.empty()) {
            std::size_t comma = all.find(L',', start);
            const std::wstring_view token = trimmed(all.substr(
                start, comma == std::wstring_view::npos ? std::wstring_view::npos : comma - start));
            if (token.empty() || token.size() > 2) {
                return fail("hex bytes must be one or two hex digits separated by commas");
            }
            int byte = 0;
            for (const wchar_t c : token) {
                const int d = hexDigit(c);
                if (d < 0) {
                    return fail("hex bytes must be one or two hex digits separated by commas");
                }
                byte = byte * 16 + d;
            }
            bytes.push_back(static_cast<std::uint8_t>(byte));
            if (comma == std::wstring_view::npos) {
                break;
            }
            start = comma + 1;
        }
        value.data = std::move(bytes);
        return true;
    }

    std::vector<std::wstring_view> lines_;
    std::size_t index_ = 0;
    RegFileContents contents_;
    std::string error_;
};

class Writer {
public:
    void ascii(std::string_view s) {
        for (const char c : s) {
            unit(static_cast<unsigned char>(c));
        }
    }
    void wide(std::wstring_view s) {
        const std::vector<std::uint8_t> b = utf16leBytes(s);
        out_.insert(out_.end(), b.begin(), b.end());
        column_ += b.size() / 2;
    }
    void unit(std::uint16_t u) {
        out_.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out_.push_back(static_cast<std::uint8_t>(u >> 8));
        ++column_;
    }
    void newline() {
        unit(L'\r');
        unit(L'\n');
        column_ = 0;
    }
    std::size_t column() const { return column_; }
    std::vector<std::uint8_t> take() { return std::move(out_); }

    void quotedName(std::wstring_view name) {
        unit(L'"');
        for (const wchar_t c : name) {
            switch (c) {
            case L'\\':
                ascii("\\\\");
                break;
            case L'"':
                ascii("\\\"");
                break;
            case L'\n':
                ascii("\\n");
                break;
            case L'\r':
                ascii("\\r");
                break;
            default:
                wide(std::wstring_view(&c, 1));
            }
        }
        unit(L'"');
    }

private:
    std::vector<std::uint8_t> out_{0xFF, 0xFE};
    std::size_t column_ = 0;
};

// A REG_SZ goes into quotes when the quotes give back the same bytes: whole
// UTF-16 units, one terminator at the end and none before, and no line
// break (regedit reads none inside quotes). Anything else keeps its exact
// bytes as hex(1).
bool quotable(const RegFileValue& v) {
    if (v.type != kRegSz || v.data.size() < 2 || v.data.size() % 2 != 0) {
        return false;
    }
    const std::size_t units = v.data.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint16_t u = static_cast<std::uint16_t>(v.data[2 * i] | (v.data[2 * i + 1] << 8));
        const bool last = i + 1 == units;
        if ((u == 0) != last || u == L'\r' || u == L'\n') {
            return false;
        }
    }
    return true;
}

void writeValue(Writer& w, const RegFileValue& v) {
    if (v.name.empty()) {
        w.unit(L'@');
    } else {
        w.quotedName(v.name);
    }
    w.unit(L'=');
    if (v.remove) {
        w.unit(L'-');
        return;
    }
    if (quotable(v)) {
        w.unit(L'"');
        for (std::size_t i = 0; i + 2 < v.data.size(); i += 2) {
            const std::uint16_t u = static_cast<std::uint16_t>(v.data[i] | (v.data[i + 1] << 8));
            if (u == L'\\' || u == L'"') {
                w.unit(L'\\');
            }
            w.unit(u);
        }
        w.unit(L'"');
        return;
    }
    char buf[32];
    if (v.type == kRegDword && v.data.size() == 4) {
        const std::uint32_t n = v.data[0] | (static_cast<std::uint32_t>(v.data[1]) << 8) |
                                (static_cast<std::uint32_t>(v.data[2]) << 16) |
                                (static_cast<std::uint32_t>(v.data[3]) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(n));
        w.ascii(buf);
        return;
    }
    if (v.type == kRegBinary) {
        w.ascii("hex:");
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
        w.ascii(buf);
    }
    for (std::size_t i = 0; i < v.data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(v.data[i]));
        w.ascii(buf);
        if (i + 1 < v.data.size()) {
            w.unit(L',');
            if (w.column() > kHexWrapColumn) {
                w.unit(L'\\');
                w.newline();
                w.ascii("  ");
            }
        }
    }
}

} // namespace

bool parseRegFile(std::span<const std::uint8_t> bytes, RegFileContents& out, std::string& error) {
    std::wstring text;
    if (!decodeText(bytes, text, error)) {
        return false;
    }
    Parser parser(splitLines(text));
    return parser.run(out, error);
}

std::vector<std::uint8_t> writeRegFile(const RegFileContents& contents) {
    Writer w;
    w.wide(kHeader);
    w.newline();
    for (const RegFileKey& key : contents.keys) {
        w.newline();
        w.unit(L'[');
        if (key.remove) {
            w.unit(L'-');
        }
        w.wide(key.path);
        w.unit(L']');
        w.newline();
        if (key.remove) {
            continue;
        }
        for (const RegFileValue& v : key.values) {
            writeValue(w, v);
            w.newline();
        }
    }
    w.newline();
    return w.take();
}

std::wstring rootName(RegRoot root) {
    for (const RootEntry& r : kRoots) {
        if (r.root == root) {
            return std::wstring(r.name);
        }
    }
    return {};
}

bool splitRootPath(std::wstring_view fullPath, RegRoot& root, std::wstring& path) {
    const std::size_t slash = fullPath.find(L'\\');
    const std::wstring_view head = fullPath.substr(0, slash);
    for (const RootEntry& r : kRoots) {
        if (asciiSameCase(head, r.name)) {
            root = r.root;
            path =
                slash == std::wstring_view::npos ? std::wstring() : std::wstring(fullPath.substr(slash + 1));
            return true;
        }
    }
    return false;
}

} // namespace qmplatform::emulated
