// Any byte string must load into a consistent picture or raise FloydError.
// Random bytes rarely get past the magic, so each input is also tried as a
// set of byte patches to a well-formed picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "jobview/FloydFormat.h"
#include "jobview/FloydImage.h"
#include "jobview/FloydWriter.h"

namespace {

void check(const std::vector<std::uint8_t>& bytes) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    FloydImage image;
    try {
        image.loadFrom(in, bytes.size(), "fuzz.fld");
    } catch (const FloydError&) {
        if (image.rowCount() != 0 || image.dataSize() != 0)
            std::abort();
        return;
    }
    if (image.dataSize() > bytes.size())
        std::abort();
    unsigned sum = 0;
    for (std::size_t r = 0; r < image.rowCount(); ++r)
        for (std::uint32_t j = 0; j < image.rowWidth(r); ++j)
            sum += image.pixel(r, j);
    if (sum > 255u * bytes.size() * 8)
        std::abort();
}

const std::vector<std::uint8_t>& wellFormed(std::uint8_t which) {
    static const std::vector<std::uint8_t> pictures[3] = {
        [] {
            FloydPicture p;
            p.rows = {{1, 0, 1, 1, 0, 1, 0, 0, 1}, {}, {1, 1, 1}};
            return floyd::serialize(p);
        }(),
        [] {
            FloydPicture p;
            p.colourCount = 16;
            p.bitsPerPixel = 4;
            p.rows = {{1, 15, 7}, {3, 4, 5, 6, 7}};
            return floyd::serialize(p);
        }(),
        [] {
            FloydPicture p;
            p.colourCount = 300;
            p.bitsPerPixel = 16;
            p.rows = {{299, 5}, {0}, {17, 18, 19}};
            return floyd::serialize(p);
        }(),
    };
    return pictures[which % 3];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check(std::vector<std::uint8_t>(data, data + size));
    if (size == 0)
        return 0;
    std::vector<std::uint8_t> patched = wellFormed(data[0] >> 1);
    if (data[0] & 1) // odd first byte: cut the file short
        patched.resize(size > 1 ? data[1] % patched.size() : 0);
    for (std::size_t i = 2; i + 3 <= size && !patched.empty(); i += 3)
        patched[(data[i] | (data[i + 1] << 8)) % patched.size()] = data[i + 2];
    check(patched);
    return 0;
}
