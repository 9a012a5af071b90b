// Any byte string must load into a consistent picture or raise FloydError.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "jobview/FloydFormat.h"
#include "jobview/FloydImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    FloydImage image;
    try {
        image.loadFrom(in, size, "fuzz.fld");
    } catch (const FloydError&) {
        if (image.rowCount() != 0 || image.dataSize() != 0)
            std::abort();
        return 0;
    }
    if (image.dataSize() > size)
        std::abort();
    unsigned sum = 0;
    for (std::size_t i = 0; i < image.rowCount(); ++i)
        for (std::uint32_t j = 0; j < image.rowWidth(i); ++j)
            sum += image.pixel(i, j);
    return static_cast<int>(sum & 0);
}
