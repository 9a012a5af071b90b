#include "MessageFormatter.h"

#include "platform/Win32Codes.h"

#include <cstdint>

namespace qmplatform {

namespace {

bool isDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

const MessageArgument* argumentAt(std::span<const MessageArgument> arguments, int number) {
    if (number < 1 || static_cast<std::size_t>(number) > arguments.size()) {
        return nullptr;
    }
    const MessageArgument& a = arguments[static_cast<std::size_t>(number) - 1];
    return a.kind == MessageArgument::Kind::Missing ? nullptr : &a;
}

// A printf conversion as the insert's format gives it.
struct Spec {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool zero = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
    int bits = 32; // integer size: h 16, default/l 32, ll/I64 64
    wchar_t conversion = L's';
};

void pad(std::wstring& out, const Spec& spec, std::wstring_view body, std::wstring_view prefix,
         bool zeroPad) {
    const std::size_t length = body.size() + prefix.size();
    const std::size_t fill = spec.width > 0 && static_cast<std::size_t>(spec.width) > length
                                 ? static_cast<std::size_t>(spec.width) - length
                                 : 0;
    if (spec.left) {
        out.append(prefix);
        out.append(body);
        out.append(fill, L' ');
    } else if (zeroPad) {
        out.append(prefix);
        out.append(fill, L'0');
        out.append(body);
    } else {
        out.append(fill, L' ');
        out.append(prefix);
        out.append(body);
    }
}

void formatInteger(std::wstring& out, const Spec& spec, std::uint64_t raw) {
    const std::uint64_t mask = spec.bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << spec.bits) - 1;
    std::uint64_t value = raw & mask;
    bool negative = false;
    const bool isSigned = spec.conversion == L'd' || spec.conversion == L'i';
    if (isSigned && spec.bits < 64 && (value >> (spec.bits - 1)) != 0) {
        negative = true;
        value = (~value + 1) & mask;
    } else if (isSigned && spec.bits == 64 && (value >> 63) != 0) {
        negative = true;
        value = ~value + 1;
    }
    unsigned base = 10;
    const wchar_t* digits = L"0123456789abcdef";
    if (spec.conversion == L'x' || spec.conversion == L'p') {
        base = 16;
    } else if (spec.conversion == L'X') {
        base = 16;
        digits = L"0123456789ABCDEF";
    } else if (spec.conversion == L'o') {
        base = 8;
    }
    std::wstring body;
    for (std::uint64_t v = value; v != 0; v /= base) {
        body.insert(body.begin(), digits[v % base]);
    }
    if (spec.precision >= 0) {
        if (body.size() < static_cast<std::size_t>(spec.precision)) {
            body.insert(0, static_cast<std::size_t>(spec.precision) - body.size(), L'0');
        }
    } else if (body.empty()) {
        body = L"0";
    }
    std::wstring prefix;
    if (negative) {
        prefix = L"-";
    } else if (isSigned && spec.plus) {
        prefix = L"+";
    } else if (isSigned && spec.space) {
        prefix = L" ";
    }
    if (spec.alternate && value != 0) {
        if (spec.conversion == L'x') {
            prefix += L"0x";
        } else if (spec.conversion == L'X') {
            prefix += L"0X";
        } else if (spec.conversion == L'o' && body.front() != L'0') {
            body.insert(body.begin(), L'0');
        }
    }
    pad(out, spec, body, prefix, spec.zero && !spec.left && spec.precision < 0);
}

void formatText(std::wstring& out, const Spec& spec, std::wstring_view text) {
    if (spec.precision >= 0 && text.size() > static_cast<std::size_t>(spec.precision)) {
        text = text.substr(0, static_cast<std::size_t>(spec.precision));
    }
    pad(out, spec, text, {}, spec.zero && !spec.left);
}

// Reads a width or precision: digits, or '*' taking the next argument.
int readCount(std::wstring_view pattern, std::size_t& pos, std::span<const MessageArgument> arguments,
              int& insert) {
    if (pos < pattern.size() && pattern[pos] == L'*') {
        ++pos;
        const MessageArgument* a = argumentAt(arguments, insert);
        ++insert;
        if (a != nullptr && a->kind == MessageArgument::Kind::Number) {
            return a->number > 4096 ? 4096 : static_cast<int>(a->number);
        }
        return 0;
    }
    int value = 0;
    while (pos < pattern.size() && isDigit(pattern[pos])) {
        // Widths beyond any buffer the caller could give are clamped; they
        // would only fail the size check later.
        value = value > 100000 ? value : value * 10 + (pattern[pos] - L'0');
        ++pos;
    }
    return value;
}

// One insert: `pos` is just after its number. Appends the formatted
// argument and moves `pos` past its !format!.
void insertArgument(std::wstring_view pattern, std::size_t& pos, int insert,
                    std::span<const MessageArgument> arguments, std::wstring& out) {
    if (pos >= pattern.size() || pattern[pos] != L'!') {
        if (const MessageArgument* a = argumentAt(arguments, insert)) {
            Spec spec;
            if (a->kind == MessageArgument::Kind::Text) {
                out += a->text;
            } else {
                spec.conversion = L'u';
                spec.bits = 64;
                formatInteger(out, spec, a->number);
            }
        }
        return;
    }
    ++pos;
    Spec spec;
    for (; pos < pattern.size(); ++pos) {
        const wchar_t c = pattern[pos];
        if (c == L'-') {
            spec.left = true;
        } else if (c == L'+') {
            spec.plus = true;
        } else if (c == L' ') {
            spec.space = true;
        } else if (c == L'0') {
            spec.zero = true;
        } else if (c == L'#') {
            spec.alternate = true;
        } else {
            break;
        }
    }
    spec.width = readCount(pattern, pos, arguments, insert);
    if (pos < pattern.size() && pattern[pos] == L'.') {
        ++pos;
        spec.precision = readCount(pattern, pos, arguments, insert);
    }
    const std::wstring_view rest = pattern.substr(pos);
    if (rest.starts_with(L"I64") || rest.starts_with(L"ll")) {
        spec.bits = 64;
        pos += rest.starts_with(L"ll") ? 2 : 3;
    } else if (rest.starts_with(L"I32")) {
        pos += 3;
    } else if (rest.starts_with(L"I")) {
        spec.bits = static_cast<int>(sizeof(void*) * 8);
        pos += 1;
    } else if (rest.starts_with(L"h")) {
        spec.bits = 16;
        pos += 1;
    } else if (rest.starts_with(L"l") || rest.starts_with(L"w")) {
        pos += 1;
    }
    if (pos < pattern.size() && pattern[pos] != L'!') {
        spec.conversion = pattern[pos];
        ++pos;
    }
    // Whatever the format holds up to the closing '!' is skipped.
    while (pos < pattern.size() && pattern[pos] != L'!') {
        ++pos;
    }
    if (pos < pattern.size()) {
        ++pos;
    }

    const MessageArgument* a = argumentAt(arguments, insert);
    if (a == nullptr) {
        return;
    }
    switch (spec.conversion) {
    case L'd':
    case L'i':
    case L'u':
    case L'x':
    case L'X':
    case L'o':
    case L'p':
        if (a->kind == MessageArgument::Kind::Number) {
            formatInteger(out, spec, a->number);
        } else {
            // A text given for a number is shown as the text: the system
            // would print its address, which means nothing to anyone.
            formatText(out, spec, a->text);
        }
        return;
    case L'c':
    case L'C':
        if (a->kind == MessageArgument::Kind::Number) {
            formatText(out, spec, std::wstring(1, static_cast<wchar_t>(a->number & 0xFFFF)));
        } else {
            formatText(out, spec, std::wstring_view(a->text).substr(0, a->text.empty() ? 0 : 1));
        }
        return;
    default:
        if (a->kind == MessageArgument::Kind::Text) {
            formatText(out, spec, a->text);
        } else {
            Spec number = spec;
            number.conversion = L'u';
            number.bits = 64;
            formatInteger(out, number, a->number);
        }
        return;
    }
}

} // namespace

long formatMessagePattern(std::wstring_view pattern, std::span<const MessageArgument> arguments,
                          std::size_t maxChars, std::wstring& out) {
    std::wstring text;
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        const wchar_t c = pattern[pos++];
        if (c == L'\r') {
            if (pos < pattern.size() && pattern[pos] == L'\n') {
                ++pos;
            }
            text += L"\r\n";
            continue;
        }
        if (c == L'\n') {
            text += L"\r\n";
            continue;
        }
        if (c != L'%') {
            text.push_back(c);
            continue;
        }
        if (pos >= pattern.size()) {
            return kErrorInvalidParameter;
        }
        const wchar_t e = pattern[pos++];
        if (e >= L'1' && e <= L'9') {
            int insert = e - L'0';
            if (pos < pattern.size() && isDigit(pattern[pos])) {
                insert = insert * 10 + (pattern[pos++] - L'0');
            }
            insertArgument(pattern, pos, insert, arguments, text);
        } else if (e == L'0') {
            break;
        } else if (e == L'n') {
            text += L"\r\n";
        } else if (e == L'r') {
            text += L"\r";
        } else if (e == L't') {
            text += L"\t";
        } else {
            text.push_back(e);
        }
    }
    if (maxChars != 0 && text.size() + 1 > maxChars) {
        return kErrorInsufficientBuffer;
    }
    out = std::move(text);
    return kErrorSuccess;
}

} // namespace qmplatform
