// Fuzzes the PE resource reader and everything that reads what it finds:
// version blocks, message tables and the message formatter. The first byte
// picks the form: 0 the input is a whole file; 1 the input patches a
// well-formed image (so the fuzzer reaches the resource tree at once);
// 2 the input is a message pattern.
#include "MessageFormatter.h"
#include "platform/formats/MessageTable.h"
#include "pe/ModuleResources.h"
#include "platform/formats/PeImage.h"
#include "platform/formats/PeWriter.h"
#include "platform/formats/VersionBlock.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace qmplatform;

namespace {

std::vector<std::uint8_t> templateImage(bool plus) {
    pe::VersionDescription d;
    d.fileVersion[0] = 1;
    d.strings = {{L"FileVersion", L"1.0.0.0"}, {L"CompanyName", L"Quillmark"}};
    pe::PeWriteOptions options;
    options.machine = plus ? pe::kMachineAmd64 : pe::kMachineI386;
    return pe::writeResourceImage(
        {{pe::resourceNumber(pe::kRtVersion), pe::resourceNumber(1), 0x0409, pe::writeVersionBlock(d)},
         {pe::resourceNumber(pe::kRtMessageTable), pe::resourceNumber(1), 0x0409,
          pe::writeMessageTable({{1, L"a %1!d! b %2"}, {2, L"%3!-*.*s!%n%0"}, {7, L"x"}})},
         {pe::ResourceId{true, 0, L"NAMED"}, pe::resourceNumber(3), 0, {1, 2, 3}}},
        options);
}

const std::vector<MessageArgument>& arguments() {
    static const std::vector<MessageArgument> args = {
        MessageArgument::fromText(L"text"), MessageArgument::fromNumber(0xFFFFFFFF), MessageArgument{},
        MessageArgument::fromNumber(7), MessageArgument::fromText(L"")};
    return args;
}

void exercise(std::span<const std::uint8_t> file) {
    pe::PeImage image;
    if (pe::PeImage::parse(file, image) != pe::PeStatus::Ok) {
        return;
    }
    std::vector<pe::ResourceLeaf> leaves;
    (void)image.resources(leaves);
    std::span<const std::uint8_t> data;
    if (image.findResource(pe::kRtVersion, 1, pe::kLoaderLanguages, data) == pe::PeStatus::Ok) {
        pe::VersionValue value;
        for (const wchar_t* path :
             {L"\\", L"\\VarFileInfo\\Translation", L"\\StringFileInfo\\040904b0\\FileVersion",
              L"\\StringFileInfo", L"\\\\x\\"}) {
            (void)pe::queryVersionValue(data, path, value);
        }
        std::vector<pe::VersionString> strings;
        (void)pe::listVersionStrings(data, strings);
        std::vector<std::uint8_t> buffer(pe::versionInfoBufferSize(data) % 4096);
        pe::copyVersionInfo(data, buffer);
    }
    if (image.findResource(pe::kRtMessageTable, 1, pe::kLoaderLanguages, data) == pe::PeStatus::Ok) {
        std::vector<std::pair<std::uint32_t, std::wstring>> messages;
        (void)pe::listMessages(data, messages, 256);
        for (const auto& [id, text] : messages) {
            std::wstring out;
            (void)formatMessagePattern(text, arguments(), 4096, out);
        }
    }
    std::wstring out;
    (void)pe::formatModuleMessage(file, 1, 0, arguments(), 1024, out);
    (void)pe::formatModuleMessage(file, 2, 0x0409, arguments(), 0, out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0: {
        const std::vector<std::uint8_t> file(input.begin(), input.end());
        exercise(file);
        break;
    }
    case 1: {
        // Pairs of (offset, value) written into the template.
        static const std::vector<std::uint8_t> images[2] = {templateImage(false), templateImage(true)};
        std::vector<std::uint8_t> file = images[(data[0] & 0x80) != 0 ? 1 : 0];
        for (std::size_t i = 0; i + 2 < input.size(); i += 3) {
            const std::size_t offset = (static_cast<std::size_t>(input[i]) << 8 | input[i + 1]) % file.size();
            file[offset] = input[i + 2];
        }
        exercise(file);
        break;
    }
    default: {
        std::wstring pattern;
        for (std::size_t i = 0; i + 1 < input.size(); i += 2) {
            pattern.push_back(static_cast<wchar_t>(input[i] | (input[i + 1] << 8)));
        }
        std::wstring out;
        (void)formatMessagePattern(pattern, arguments(), 0, out);
        break;
    }
    }
    return 0;
}
