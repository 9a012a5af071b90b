#include "platform/formats/MessageTable.h"

#include "Bytes.h"

namespace qmplatform::pe {

namespace {

// 0x80..0x9F of code page 1252; the rest of the upper half is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::wstring fromUtf8(std::span<const std::uint8_t> text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const std::uint8_t lead = text[i];
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            code = lead & 0x07;
        } else {
            out.push_back(L'\uFFFD');
            ++i;
            continue;
        }
        if (i + extra >= text.size()) {
            out.push_back(L'\uFFFD');
            break;
        }
        bool valid = true;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((text[i + k] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (text[i + k] & 0x3F);
        }
        if (!valid) {
            out.push_back(L'\uFFFD');
            ++i;
            continue;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (code > 0xFFFF) {
                const std::uint32_t v = code - 0x10000;
                out.push_back(static_cast<wchar_t>(0xD800 + (v >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + (v & 0x3FF)));
            } else {
                out.push_back(static_cast<wchar_t>(code));
            }
        } else {
            out.push_back(static_cast<wchar_t>(code));
        }
        i += extra + 1;
    }
    return out;
}

} // namespace

wchar_t fromCp1252(std::uint8_t byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return static_cast<wchar_t>(kCp1252High[byte - 0x80]);
    }
    return static_cast<wchar_t>(byte);
}

MessageLookup findMessage(std::span<const std::uint8_t> table, std::uint32_t id, std::wstring& text) {
    std::uint32_t blockCount = 0;
    if (!bytes::readU32(table, 0, blockCount) ||
        !bytes::fits(table, 4, static_cast<std::size_t>(blockCount) * kMessageBlockSize)) {
        return MessageLookup::Malformed;
    }
    for (std::uint32_t b = 0; b < blockCount; ++b) {
        const std::size_t at = 4 + static_cast<std::size_t>(b) * kMessageBlockSize;
        const std::uint32_t low = bytes::u32At(table, at);
        const std::uint32_t high = bytes::u32At(table, at + 4);
        std::size_t entry = bytes::u32At(table, at + 8);
        if (id < low || id > high) {
            continue;
        }
        // Entries of a block follow each other; walk to the wanted one.
        for (std::uint32_t current = low;; ++current) {
            std::uint16_t length = 0;
            if (!bytes::readU16(table, entry, length) || length < kMessageEntryHeaderSize ||
                !bytes::fits(table, entry, length)) {
                return MessageLookup::Malformed;
            }
            if (current == id) {
                const std::uint16_t flags = bytes::u16At(table, entry + 2);
                const auto body =
                    table.subspan(entry + kMessageEntryHeaderSize, length - kMessageEntryHeaderSize);
                text.clear();
                if (flags == kMessageResourceUnicode) {
                    std::size_t next = 0;
                    if (!bytes::readUtf16Z(body, 0, body.size(), text, next)) {
                        // Unterminated: the whole entry is the text.
                        std::u16string units;
                        for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
                            units.push_back(static_cast<char16_t>(bytes::u16At(body, i)));
                        }
                        text = bytes::fromUtf16(units);
                    }
                } else {
                    std::size_t end = 0;
                    while (end < body.size() && body[end] != 0) {
                        ++end;
                    }
                    if (flags == kMessageResourceUtf8) {
                        text = fromUtf8(body.first(end));
                    } else {
                        for (std::size_t i = 0; i < end; ++i) {
                            text.push_back(fromCp1252(body[i]));
                        }
                    }
                }
                return MessageLookup::Found;
            }
            entry += length;
        }
    }
    return MessageLookup::NotFound;
}

MessageLookup listMessages(std::span<const std::uint8_t> table,
                           std::vector<std::pair<std::uint32_t, std::wstring>>& out, std::size_t limit) {
    std::uint32_t blockCount = 0;
    if (!bytes::readU32(table, 0, blockCount) ||
        !bytes::fits(table, 4, static_cast<std::size_t>(blockCount) * kMessageBlockSize)) {
        return MessageLookup::Malformed;
    }
    std::vector<std::pair<std::uint32_t, std::wstring>> messages;
    for (std::uint32_t b = 0; b < blockCount; ++b) {
        const std::size_t at = 4 + static_cast<std::size_t>(b) * kMessageBlockSize;
        const std::uint32_t low = bytes::u32At(table, at);
        const std::uint32_t high = bytes::u32At(table, at + 4);
        for (std::uint64_t id = low; id <= high; ++id) {
            if (messages.size() >= limit) {
                return MessageLookup::Malformed;
            }
            std::wstring text;
            if (findMessage(table, static_cast<std::uint32_t>(id), text) != MessageLookup::Found) {
                return MessageLookup::Malformed;
            }
            messages.emplace_back(static_cast<std::uint32_t>(id), std::move(text));
        }
    }
    out = std::move(messages);
    return MessageLookup::Found;
}

} // namespace qmplatform::pe
