// The two sets of values "Preview Label..." renders a label with: the print
// mode as the file on disk holds it, and as the editor's fields show it
// (applied or not). Reading them writes nothing, to the file or the document.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "drf/PrintEngineResources.h"

namespace resedit {

// "Preview Label...": the button and what it may say.
inline constexpr std::string_view kPreviewButtonText = "Preview Label...";
inline constexpr int kPreviewButtonId = 1190;
inline constexpr std::string_view kMsgPreviewNeedsDrf = "Open a DRF first: the preview shows its values.";
inline constexpr std::string_view kMsgPreviewCannotRead =
    "The print mode cannot be read from the DRF file as saved, so there is nothing to compare with.";

struct PreviewValues {
    std::uint32_t formatVersion = 0;
    std::uint16_t media = 0;
    std::uint16_t quality = 0;
    std::unique_ptr<drf::PrintEngineResourcesImpl> saved;
    std::unique_ptr<drf::PrintEngineResourcesImpl> shown;
};

} // namespace resedit
