// Fuzz target of the .reg reader: any input is either refused with a reason
// or read into contents that the writer writes and the reader reads back to
// the same contents.
//
// Besides the raw input, the first byte picks a start that a random walk
// would take long to find (the header, a key, the start of each kind of
// value) for the rest of the input, as UTF-8 or as UTF-16LE.
#include "platform/formats/RegFile.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

namespace {

void check(std::span<const std::uint8_t> bytes) {
    using namespace qmplatform::emulated;
    RegFileContents contents;
    std::string error;
    if (!parseRegFile(bytes, contents, error)) {
        if (error.empty()) {
            std::abort(); // a refusal always says why
        }
        return;
    }
    const std::vector<std::uint8_t> written = writeRegFile(contents);
    RegFileContents again;
    if (!parseRegFile(written, again, error) || !(again == contents)) {
        std::abort();
    }
}

constexpr std::string_view kStarts[] = {
    "",
    "[HKEY_CURRENT_USER\\",
    "[-HKEY_LOCAL_MACHINE\\",
    "[HKEY_CLASSES_ROOT\\k]\r\n",
    "[HKEY_CURRENT_USER\\k]\r\n\"",
    "[HKEY_CURRENT_USER\\k]\r\n@=",
    "[HKEY_CURRENT_USER\\k]\r\n\"v\"=\"",
    "[HKEY_CURRENT_USER\\k]\r\n\"v\"=dword:",
    "[HKEY_CURRENT_USER\\k]\r\n\"v\"=hex:",
    "[HKEY_CURRENT_USER\\k]\r\n\"v\"=hex(",
    "[HKEY_CURRENT_USER\\k]\r\n\"v\"=hex(7):00,\\\r\n",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check(std::span<const std::uint8_t>(data, size));
    if (size == 0) {
        return 0;
    }
    const std::size_t choice = data[0] % std::size(kStarts);
    const bool utf16 = (data[0] / std::size(kStarts)) % 2 != 0;
    std::string text = "Windows Registry Editor Version 5.00\r\n";
    text += kStarts[choice];
    text.append(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::uint8_t> bytes;
    if (utf16) {
        bytes = {0xFF, 0xFE};
        for (const char c : text) {
            bytes.push_back(static_cast<std::uint8_t>(c));
            bytes.push_back(0);
        }
    } else {
        bytes.assign(text.begin(), text.end());
    }
    check(bytes);
    return 0;
}
