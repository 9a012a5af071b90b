// The sample DRFs shipped in samples/drf/: one per format version, made by the
// DRF builder so they are valid by construction and can be made again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resedit::samples {

struct SampleDrf {
    std::string fileName;
    std::vector<std::uint8_t> bytes;
};

std::vector<SampleDrf> sampleDrfs();

} // namespace resedit::samples
