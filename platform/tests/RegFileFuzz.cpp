// Fuzz target of the .reg reader: any input is either refused with a reason
// or read into contents that the writer writes and the reader reads back to
// the same contents.
#include "emulated/registry/RegFile.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qmplatform::emulated;
    RegFileContents contents;
    std::string error;
    if (!parseRegFile(std::span<const std::uint8_t>(data, size), contents, error)) {
        if (error.empty()) {
            std::abort(); // a refusal always says why
        }
        return 0;
    }
    const std::vector<std::uint8_t> written = writeRegFile(contents);
    RegFileContents again;
    if (!parseRegFile(written, again, error) || !(again == contents)) {
        std::abort();
    }
    return 0;
}
