// Feeds damaged DRFs to the loader and, when they load, writes them back.
// Inputs that start with the signature are loaded as they are. Any other input
// patches a valid DRF from the builder, so the fuzzer reaches the section and
// record parsing instead of stopping at the signature: byte 0 picks the format,
// then each 5 bytes are a u32 position (modulo the size) and a byte to store;
// a trailing u16 cuts the file short.
#include "DrfBuilder.h"

#include "drf/ByteOrder.h"
#include "drf/DrfDocument.h"
#include "drf/Status.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

const std::vector<std::uint8_t>& baseImage(std::uint32_t format) {
    static const auto images = [] {
        std::array<std::vector<std::uint8_t>, 4> built;
        for (std::uint32_t f = 1; f <= 4; ++f) {
            drf::testing::DrfBuilder builder;
            builder.formatVersion(f).mode(101, 1).mode(101, 0).mode(102, 2, 0).unsupported(4095);
            builder.modeIn(2, 101, 1).modeIn(3, 101, 1).modeIn(4, 102, 2).share(
                0, drf::testing::Share::AllModes);
            built[f - 1] = builder.build();
        }
        return built;
    }();
    return images[(format - 1) % 4];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image;
    if (size >= 4 && data[0] == 0xDC && data[1] == 0xFA && data[2] == 0xCE && data[3] == 0xCD) {
        image.assign(data, data + size);
    } else if (size > 0) {
        image = baseImage(data[0] % 4 + 1u);
        std::size_t i = 1;
        for (; i + 5 <= size; i += 5)
            image[drf::readLe<std::uint32_t>(data + i) % image.size()] = data[i + 4];
        if (i + 2 <= size)
            image.resize(image.size() - drf::readLe<std::uint16_t>(data + i) % image.size());
    }
    drf::DrfDocument document;
    if (document.loadImage(std::move(image), "fuzz.bin") != drf::kOk)
        return 0;
    std::unique_ptr<drf::PrintEngineResourcesImpl> set;
    if (document.GetResources("fuzz.bin", 101, 1, set) == drf::kResultOk)
        document.SetResources(101, 1, *set);
    std::vector<std::uint8_t> saved;
    // Overlapping records can make a small file expand; keep the output bounded.
    document.serialize(saved, 64u * 1024 * 1024);
    return 0;
}
