// Feeds arbitrary bytes to the loader and, when they load, writes them back.
#include "drf/DrfDocument.h"
#include "drf/Status.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    drf::DrfDocument document;
    std::vector<std::uint8_t> image(data, data + size);
    if (document.loadImage(std::move(image), "fuzz.bin") != drf::kOk)
        return 0;
    std::vector<std::uint8_t> saved;
    // Overlapping records can make a small file expand; keep the output bounded.
    document.serialize(saved, 64u * 1024 * 1024);
    return 0;
}
