// What a change of a DRF's values does to a label: one picture made into two
// print jobs, one with each set of values of a print mode, both rendered as
// jobview renders them and compared. Nothing is written to the DRF. Shared by
// `drftool preview` and resedit's "Preview Label...".
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "drf/PrintEngineResources.h"

namespace labelpreview {

// The suite's sample label, built into the program.
inline constexpr const char* kSamplePicture = ":/labelpreview/quillmark-label.png";

struct Side {
    std::string name;                              // the job is DIR/<name>.tolm
    const drf::PrintEngineResourcesImpl* values;   // the print mode's resource set
};

struct Request {
    std::uint32_t formatVersion = 0;
    std::uint16_t media = 0;
    std::uint16_t quality = 0;
    Side a, b;
    std::string picture = kSamplePicture;
    std::filesystem::path folder;
    bool differencePicture = true; // DIR/difference.png
};

struct Result {
    std::filesystem::path jobA, jobB, difference;
    std::vector<std::string> linesA, linesB; // where each value of the job came from
    std::string summary;                     // the comparison, as text
    bool equal = false;
};

// False with *error when the picture cannot be read, a job cannot be made from
// the values or written, or the two cannot be compared.
bool makePreview(const Request& request, Result& result, std::string* error);

} // namespace labelpreview
