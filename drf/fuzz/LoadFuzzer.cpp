// Feeds damaged DRFs to the loader and, when they load, writes them back.
// Inputs that start with the signature are loaded as they are. Any other input
// patches a valid DRF from the builder, so the fuzzer reaches the section and
// record parsing instead of stopping at the signature: byte 0 picks the format
// (and whether two kinds of one size share their records, and which parts the
// write-back changes), then each 5 bytes are a u32 position (modulo the size)
// and a byte to store; a trailing u16 cuts the file short.
#include "drf/DrfBuilder.h"

#include "drf/ByteOrder.h"
#include "drf/DrfDocument.h"
#include "drf/Status.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

// Index: format - 1, plus 4 for the variant whose same-size kinds share records.
const std::vector<std::uint8_t>& baseImage(std::uint32_t index) {
    static const auto images = [] {
        std::array<std::vector<std::uint8_t>, 8> built;
        for (std::uint32_t i = 0; i < built.size(); ++i) {
            drf::testing::DrfBuilder builder;
            builder.formatVersion(i % 4 + 1).mode(101, 1).mode(101, 0).mode(102, 2, 0).unsupported(4095);
            builder.modeIn(2, 101, 1).modeIn(3, 101, 1).modeIn(4, 102, 2).share(
                0, drf::testing::Share::AllModes);
            if (i >= 4 && i % 4 != 3)
                builder.sameRecord(4, 1).sameRecord(5, 2);
            built[i] = builder.build();
        }
        return built;
    }();
    return images[index % 8];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image;
    if (size >= 4 && data[0] == 0xDC && data[1] == 0xFA && data[2] == 0xCE && data[3] == 0xCD) {
        image.assign(data, data + size);
    } else if (size > 0) {
        image = baseImage(data[0] % 8);
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
    if (document.GetResources("fuzz.bin", 101, 1, set) == drf::kResultOk) {
        // Change the first byte of every part, or of ResolutionsFile only, so that
        // both unshared writes and refused shared ones happen.
        const bool all = size > 0 && (data[0] & 0x80) != 0;
        for (std::string_view name : drf::kPartNames) {
            drf::ResourcePart* part = set->part(name);
            if (part && !part->bytes().empty() && (all || name == "ResolutionsFile"))
                part->bytes()[0] ^= 0x5A;
        }
        document.SetResources(101, 1, *set);
    }
    std::vector<std::uint8_t> saved;
    // Overlapping records can make a small file expand; keep the output bounded.
    document.serialize(saved, 64u * 1024 * 1024);
    return 0;
}
