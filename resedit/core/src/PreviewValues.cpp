// EditorSession::previewValues: kept beside the other sessions' rules but in a
// file of its own, as it reads the DRF afresh instead of the editor's document.
#include "resedit/EditorSession.h"
#include "resedit/PreviewValues.h"
#include "resedit/Texts.h"

#include "drf/DrfDocument.h"
#include "drf/EditorValues.h"
#include "drf/Status.h"

namespace resedit {

bool EditorSession::previewValues(PreviewValues& out) {
    if (!loaded_) {
        prompter_.message(kMsgPreviewNeedsDrf);
        return false;
    }
    EditValues values{};
    if (!readFields(values)) {
        return false;
    }
    // The file as saved, not the document: applied values are not saved yet.
    drf::DrfDocument saved;
    const std::filesystem::path file = state_.path();
    std::uint32_t version = 0;
    PreviewValues sets;
    if (saved.GetFormatVersion(file, version) != drf::kResultOk ||
        saved.GetResources(file, media_, quality_, sets.saved) != drf::kResultOk ||
        saved.GetResources(file, media_, quality_, sets.shown) != drf::kResultOk || !sets.saved || !sets.shown) {
        prompter_.message(kMsgPreviewCannotRead);
        return false;
    }
    if (drf::writeEditorValues(*sets.shown, version, values) != drf::kResultOk) {
        prompter_.message(kMsgPreviewCannotRead);
        return false;
    }
    sets.formatVersion = version;
    sets.media = media_;
    sets.quality = quality_;
    out = std::move(sets);
    return true;
}

} // namespace resedit
