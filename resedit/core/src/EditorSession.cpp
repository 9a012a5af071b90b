#include "resedit/EditorSession.h"

#include "resedit/NumberField.h"
#include "resedit/Paths.h"
#include "resedit/Texts.h"

#include "drf/DriveMediaNames.h"
#include "drf/KeyTables.h"
#include "drf/Status.h"

#include <algorithm>
#include <filesystem>

namespace resedit {

namespace {
constexpr std::uint16_t kFirstMedia = 101;
constexpr std::uint16_t kFirstQuality = drf::kQualityNormal;
} // namespace

EditorSession::EditorSession(EditorKind kind, Prompter& prompter, NextDrfPaths& next)
    : kind_(kind), prompter_(prompter), next_(next), fileNameText_(layoutFor(kind).fileName.text) {
    // Before any DRF the fields show the zeros the dialog starts with.
    for (std::string& text : texts_) {
        text = "0";
    }
    updateEnabling();
}

bool EditorSession::hasField(EditValue v) const {
    const auto& fields = layout().fields;
    return std::any_of(fields.begin(), fields.end(), [v](const FieldLayout& f) { return f.value == v; });
}

// ---- opening ---------------------------------------------------------------

OpenOutcome EditorSession::open(const std::string& path) {
    if (path.empty()) {
        return OpenOutcome::Nothing;
    }
    DrfEditState candidate;
    if (candidate.open(pathFromUtf8(path)) != drf::kResultOk) {
        // Also for a file that is no DRF at all: handing it to the other editor
        // would only end the program with the same message.
        if (!loaded_) {
            showFileInfo(candidate);
            path_ = path;
        }
        prompter_.message(kMsgErrorReading);
        return OpenOutcome::Failed;
    }
    if (editorForVersion(candidate.formatVersion()) != kind_) {
        next_.slotOf(kind_) = path;
        return OpenOutcome::HandOver;
    }

    EditValues values = values_;
    if (candidate.loadValues(kFirstMedia, kFirstQuality, values) != drf::kResultOk) {
        if (!loaded_) {
            showFileInfo(candidate);
            path_ = path;
        }
        prompter_.message(kMsgErrorReading);
        return OpenOutcome::Failed;
    }

    state_ = std::move(candidate);
    path_ = path;
    loaded_ = true;
    media_ = kFirstMedia;
    quality_ = kFirstQuality;
    showFileInfo(state_);
    commitFields(values);
    loadedValues_ = values;
    fillLists();
    updateEnabling();
    showValues();
    return OpenOutcome::Shown;
}

void EditorSession::showFileInfo(const DrfEditState& state) {
    fileNameText_ = shownFileName(utf8FromPath(state.path()));
    driveIdText_ = formatNumber(state.driveId());
    versionText_ = formatNumber(state.formatVersion());
}

void EditorSession::fillLists() {
    mediaItems_ = state_.mediaTexts();
    qualityItems_.clear();
    for (const drf::QualityName& q : drf::kEditorQualities) {
        qualityItems_.emplace_back(q.name);
    }
}

void EditorSession::updateEnabling() {
    if (kind_ == EditorKind::Classic && loaded_) {
        applyVersionEnabling(state_.formatVersion(), enabling_);
    }
    enabling_.field[index(EditValue::TrackShiftSpokes)] =
        trackShiftSpokesEnabled(loaded_ ? state_.driveId() : 0);
}

// ---- lists -----------------------------------------------------------------

int EditorSession::mediaIndex() const {
    for (std::size_t i = 0; i < mediaItems_.size(); ++i) {
        if (drf::MediaIdFromText(mediaItems_[i], true) == media_) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int EditorSession::qualityIndex() const {
    for (std::size_t i = 0; i < qualityItems_.size(); ++i) {
        if (drf::editorQualityValue(qualityItems_[i]) == quality_) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool EditorSession::loadMode(std::uint16_t media, std::uint16_t quality) {
    if (!loaded_) {
        return false;
    }
    EditValues values = values_;
    if (state_.loadValues(media, quality, values) != drf::kResultOk) {
        return false;
    }
    media_ = media;
    quality_ = quality;
    commitFields(values);
    loadedValues_ = values;
    showValues();
    return true;
}

bool EditorSession::selectMedia(std::string_view shownText) {
    const auto id = static_cast<std::uint16_t>(drf::MediaIdFromText(shownText, true));
    return loadMode(id, quality_);
}

bool EditorSession::selectQuality(std::string_view shownText) {
    return loadMode(media_, drf::editorQualityValue(shownText));
}

// ---- fields ----------------------------------------------------------------

std::optional<EditValue> EditorSession::parseFields(EditValues& values) const {
    values = values_;
    SpacingField track = trackSpacing_;
    SpacingField mark = markSpacing_;
    for (const FieldLayout& field : layout().fields) {
        const auto number = parseNumber(texts_[index(field.value)], info(field.value).width);
        if (!number) {
            return field.value;
        }
        if (field.value == EditValue::TrackSpacing) {
            track.setShown(static_cast<std::uint32_t>(*number));
            values[index(field.value)] = track.nanometres();
        } else if (field.value == EditValue::MarkSpacing) {
            mark.setShown(static_cast<std::uint32_t>(*number));
            values[index(field.value)] = mark.nanometres();
        } else {
            values[index(field.value)] = *number;
        }
    }
    return std::nullopt;
}

bool EditorSession::readFields(EditValues& values) {
    refused_ = parseFields(values);
    if (refused_) {
        const drf::EditorValue& field = info(*refused_);
        prompter_.message(numberRefusal(field.label, field.width));
        return false;
    }
    return true;
}

void EditorSession::commitFields(const EditValues& values) {
    values_ = values;
    trackSpacing_.setNanometres(static_cast<std::uint32_t>(values[index(EditValue::TrackSpacing)]));
    markSpacing_.setNanometres(static_cast<std::uint32_t>(values[index(EditValue::MarkSpacing)]));
}

void EditorSession::showValues() {
    for (std::size_t i = 0; i < kEditValueCount; ++i) {
        texts_[i] = formatNumber(values_[i]);
    }
    texts_[index(EditValue::TrackSpacing)] = formatNumber(trackSpacing_.shown());
    texts_[index(EditValue::MarkSpacing)] = formatNumber(markSpacing_.shown());
}

bool EditorSession::setTrackUnit(SpacingUnit unit) {
    if (unit == trackSpacing_.unit()) {
        return true;
    }
    EditValues values{};
    if (!readFields(values)) {
        return false;
    }
    commitFields(values);
    trackSpacing_.setUnit(unit);
    showValues();
    return true;
}

bool EditorSession::setMarkUnit(SpacingUnit unit) {
    if (unit == markSpacing_.unit()) {
        return true;
    }
    EditValues values{};
    if (!readFields(values)) {
        return false;
    }
    commitFields(values);
    markSpacing_.setUnit(unit);
    showValues();
    return true;
}

bool EditorSession::modified() const {
    if (!loaded_) {
        return false;
    }
    if (state_.hasUnsavedChanges()) {
        return true;
    }
    EditValues shown{};
    return parseFields(shown).has_value() || shown != loadedValues_;
}

// ---- buttons ---------------------------------------------------------------

// Reads, checks and applies the shown values; the messages of a refusal are
// shown here, those of the outcome by the caller.
bool EditorSession::applyShown() {
    EditValues values{};
    if (!readFields(values)) {
        return false;
    }
    const auto problems = validate(kind_, values);
    for (std::string_view message : problems) {
        prompter_.message(message);
    }
    if (!problems.empty()) {
        return false;
    }
    commitFields(values);
    if (state_.applyValues(media_, quality_, values) != drf::kResultOk) {
        prompter_.message(kMsgErrorApplying);
        return false;
    }
    loadedValues_ = values;
    showValues();
    return true;
}

bool EditorSession::apply() {
    if (!loaded_) {
        return false;
    }
    if (!applyShown()) {
        return false;
    }
    prompter_.message(kMsgApplied);
    return true;
}

bool EditorSession::saveDrf() {
    if (!loaded_ || !applyShown()) {
        return false;
    }
    const auto target = chooseSaveTarget();
    if (!target) {
        return false;
    }
    if (state_.save(pathFromUtf8(*target)) != drf::kResultOk) {
        prompter_.message(kMsgErrorWriting);
        return false;
    }
    path_ = *target;
    showFileInfo(state_);
    prompter_.message(kMsgSaved);
    return true;
}

std::optional<std::string> EditorSession::chooseSaveTarget() {
    // As the save dialog does: a No to its question about creating a new file,
    // or replacing an existing one, returns to the dialog.
    while (true) {
        const auto target = prompter_.saveFileName({kDrfFilter, kDrfExtension, kDrfInitialName});
        if (!target) {
            return std::nullopt;
        }
        std::error_code ec;
        const bool exists = std::filesystem::exists(pathFromUtf8(*target), ec);
        if (prompter_.confirm(savePrompt(shownFileName(*target), exists))) {
            return target;
        }
    }
}

bool EditorSession::askAboutChanges() {
    if (!modified()) {
        return true;
    }
    switch (prompter_.askSaveChanges(shownFileName(path_))) {
    case SaveChoice::Save:
        return saveDrf();
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        break;
    }
    return false;
}

OpenOutcome EditorSession::selectDrf() {
    if (!askAboutChanges()) {
        return OpenOutcome::Nothing;
    }
    const auto chosen = prompter_.openFileName({kDrfFilter, kDrfExtension, kDrfInitialName});
    // A cancelled dialog opens the current DRF again, as read from its file.
    return open(chosen ? *chosen : path_);
}

OpenOutcome EditorSession::drop(const std::vector<std::string>& paths) {
    // Only the first file counts; its path is taken whole, however long.
    if (paths.empty() || !askAboutChanges()) {
        return OpenOutcome::Nothing;
    }
    return open(paths.front());
}

bool EditorSession::mayClose() {
    return askAboutChanges();
}

} // namespace resedit
