#include "platform/formats/VersionBlock.h"

#include "Bytes.h"

namespace qmplatform::pe {

namespace {

constexpr std::size_t align4(std::size_t offset) {
    return (offset + 3) & ~static_cast<std::size_t>(3);
}

// One node of the block, with its extent proven to lie inside the block.
struct Node {
    std::size_t start = 0;
    std::size_t end = 0; // start + wLength
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0;
    std::wstring key;
    std::size_t valueStart = 0;
    std::size_t valueBytes = 0;
    std::size_t childrenStart = 0;
};

// `clip`: a node longer than `limit` is read as far as the limit (the root
// of a block that a caller's short buffer cut); otherwise it is refused.
bool readNode(std::span<const std::uint8_t> block, std::size_t start, std::size_t limit, Node& out,
              bool clip = false) {
    std::uint16_t length = 0;
    if (!bytes::readU16(block, start, length) || length < kVersionNodeHeaderSize) {
        return false;
    }
    if (start + length > limit) {
        if (!clip || limit < start + kVersionNodeHeaderSize) {
            return false;
        }
        length = static_cast<std::uint16_t>(limit - start);
    }
    out.start = start;
    out.end = start + length;
    out.valueLength = bytes::u16At(block, start + 2);
    out.type = bytes::u16At(block, start + 4);
    std::size_t next = 0;
    if (!bytes::readUtf16Z(block, start + kVersionNodeHeaderSize, out.end, out.key, next)) {
        return false;
    }
    out.valueStart = align4(next);
    out.valueBytes = out.type != 0 ? static_cast<std::size_t>(out.valueLength) * 2 : out.valueLength;
    // Resource compilers disagree on whether a text's length counts its
    // terminator; a value that overruns its node is cut at the node's end
    // rather than refused, as the system's own reader does.
    if (out.valueStart > out.end) {
        out.valueStart = out.end;
    }
    if (out.valueBytes > out.end - out.valueStart) {
        out.valueBytes = out.end - out.valueStart;
    }
    out.childrenStart = align4(out.valueStart + out.valueBytes);
    return true;
}

bool findChild(std::span<const std::uint8_t> block, const Node& parent, std::wstring_view key, Node& out) {
    std::size_t at = parent.childrenStart;
    while (at + kVersionNodeHeaderSize <= parent.end) {
        Node child;
        if (!readNode(block, at, parent.end, child)) {
            return false;
        }
        if (bytes::equalsIgnoreCase(child.key, key)) {
            out = std::move(child);
            return true;
        }
        at = align4(child.end);
    }
    return false;
}

} // namespace

bool queryVersionValue(std::span<const std::uint8_t> block, std::wstring_view subBlock, VersionValue& out) {
    Node node;
    // The buffer may be longer than the root node (the system's reader
    // leaves room after it) or shorter (a caller's short buffer cut it).
    if (!readNode(block, 0, block.size(), node, true)) {
        return false;
    }
    std::size_t pos = 0;
    while (pos < subBlock.size()) {
        while (pos < subBlock.size() && subBlock[pos] == L'\\') {
            ++pos;
        }
        if (pos == subBlock.size()) {
            break;
        }
        std::size_t end = subBlock.find(L'\\', pos);
        if (end == std::wstring_view::npos) {
            end = subBlock.size();
        }
        Node child;
        if (!findChild(block, node, subBlock.substr(pos, end - pos), child)) {
            return false;
        }
        node = std::move(child);
        pos = end;
    }
    out.bytes = block.subspan(node.valueStart, node.valueBytes);
    out.length = node.valueLength;
    out.isText = node.type != 0;
    return true;
}

bool listVersionStrings(std::span<const std::uint8_t> block, std::vector<VersionString>& out) {
    Node root;
    Node stringFileInfo;
    if (!readNode(block, 0, block.size(), root, true) ||
        !findChild(block, root, L"StringFileInfo", stringFileInfo)) {
        return false;
    }
    std::vector<VersionString> strings;
    for (std::size_t at = stringFileInfo.childrenStart; at + kVersionNodeHeaderSize <= stringFileInfo.end;) {
        Node table;
        if (!readNode(block, at, stringFileInfo.end, table)) {
            return false;
        }
        for (std::size_t e = table.childrenStart; e + kVersionNodeHeaderSize <= table.end;) {
            Node entry;
            if (!readNode(block, e, table.end, entry)) {
                return false;
            }
            std::wstring value;
            std::size_t next = 0;
            if (!bytes::readUtf16Z(block, entry.valueStart, entry.valueStart + entry.valueBytes, value,
                                   next)) {
                std::u16string units;
                for (std::size_t i = 0; i + 1 < entry.valueBytes; i += 2) {
                    units.push_back(static_cast<char16_t>(bytes::u16At(block, entry.valueStart + i)));
                }
                value = bytes::fromUtf16(units);
            }
            strings.push_back({table.key, entry.key, value});
            e = align4(entry.end);
        }
        at = align4(table.end);
    }
    out = std::move(strings);
    return true;
}

namespace {

// Writes a node: header, key, value, children; fills wLength at the end.
class NodeWriter {
public:
    NodeWriter(std::vector<std::uint8_t>& out, std::wstring_view key, std::uint16_t type) : out_(out) {
        bytes::padTo4(out_);
        start_ = out_.size();
        bytes::putU16(out_, 0);
        bytes::putU16(out_, 0);
        bytes::putU16(out_, type);
        bytes::putUtf16(out_, key);
        bytes::padTo4(out_);
    }
    void binaryValue(std::span<const std::uint8_t> value) {
        out_.insert(out_.end(), value.begin(), value.end());
        bytes::setU16(out_, start_ + 2, static_cast<std::uint16_t>(value.size()));
    }
    void textValue(std::wstring_view text) {
        bytes::putUtf16(out_, text);
        // Characters with the terminator, as rc.exe counts them.
        bytes::setU16(out_, start_ + 2, static_cast<std::uint16_t>(bytes::toUtf16(text).size() + 1));
    }
    ~NodeWriter() { bytes::setU16(out_, start_, static_cast<std::uint16_t>(out_.size() - start_)); }

private:
    std::vector<std::uint8_t>& out_;
    std::size_t start_ = 0;
};

std::wstring hex4(std::uint16_t value) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    for (int shift = 12; shift >= 0; shift -= 4) {
        text.push_back(digits[(value >> shift) & 0xF]);
    }
    return text;
}

} // namespace

std::vector<std::uint8_t> writeVersionBlock(const VersionDescription& d) {
    std::vector<std::uint8_t> out;
    {
        NodeWriter root(out, L"VS_VERSION_INFO", 0);
        std::vector<std::uint8_t> fixed;
        bytes::putU32(fixed, kFixedFileInfoSignature);
        bytes::putU32(fixed, kFixedFileInfoStrucVersion);
        bytes::putU32(fixed, (static_cast<std::uint32_t>(d.fileVersion[0]) << 16) | d.fileVersion[1]);
        bytes::putU32(fixed, (static_cast<std::uint32_t>(d.fileVersion[2]) << 16) | d.fileVersion[3]);
        bytes::putU32(fixed, (static_cast<std::uint32_t>(d.productVersion[0]) << 16) | d.productVersion[1]);
        bytes::putU32(fixed, (static_cast<std::uint32_t>(d.productVersion[2]) << 16) | d.productVersion[3]);
        bytes::putU32(fixed, 0x3F); // VS_FFI_FILEFLAGSMASK
        bytes::putU32(fixed, d.fileFlags);
        bytes::putU32(fixed, d.fileOs);
        bytes::putU32(fixed, d.fileType);
        bytes::putU32(fixed, 0); // subtype
        bytes::putU32(fixed, 0); // date
        bytes::putU32(fixed, 0);
        root.binaryValue(fixed);
        bytes::padTo4(out);
        if (!d.strings.empty()) {
            NodeWriter stringFileInfo(out, L"StringFileInfo", 1);
            NodeWriter table(out, hex4(d.language) + hex4(d.codePage), 1);
            for (const auto& [name, value] : d.strings) {
                NodeWriter entry(out, name, 1);
                entry.textValue(value);
            }
        }
        bytes::padTo4(out);
        {
            NodeWriter varFileInfo(out, L"VarFileInfo", 1);
            NodeWriter translation(out, L"Translation", 0);
            std::vector<std::uint8_t> pair;
            bytes::putU16(pair, d.language);
            bytes::putU16(pair, d.codePage);
            translation.binaryValue(pair);
        }
    }
    return out;
}

} // namespace qmplatform::pe
