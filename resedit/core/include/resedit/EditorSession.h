// What an editor dialog does, without the dialog: the shown texts of the
// fields and lists, opening DRFs, selection, units, Apply, Save DRF, Select
// DRF, drops, closing with unsaved changes and the hand-over of a DRF of the
// other kind of format. The dialogs copy texts in and out and show the result.
#pragma once

#include "resedit/DrfEditState.h"
#include "resedit/EditRules.h"
#include "resedit/EditValues.h"
#include "resedit/EditorLayout.h"
#include "resedit/PreviewValues.h"
#include "resedit/Prompter.h"
#include "resedit/Spacing.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace resedit {

// Where an editor leaves a DRF that the other editor must show; one path per
// editor, read by the launcher when the editor has closed.
struct NextDrfPaths {
    std::string fromClassic;
    std::string fromReorg;

    std::string& slotOf(EditorKind kind) { return kind == EditorKind::Classic ? fromClassic : fromReorg; }
};

enum class OpenOutcome {
    Nothing,  // no path, or the user stayed where they were
    Shown,    // the DRF is shown
    Failed,   // "Error reading DRF" was shown; the editor keeps what it showed
    HandOver, // the DRF needs the other editor: it is in the next-DRF path, close this editor
};

class EditorSession {
public:
    EditorSession(EditorKind kind, Prompter& prompter, NextDrfPaths& next);

    EditorKind kind() const { return kind_; }
    const EditorLayout& layout() const { return layoutFor(kind_); }

    // ---- opening (UTF-8 paths)
    OpenOutcome open(const std::string& path);
    bool loaded() const { return loaded_; }
    const std::string& path() const { return path_; }
    const DrfEditState& state() const { return state_; }

    // DRF File Information.
    const std::string& fileNameText() const { return fileNameText_; }
    const std::string& driveIdText() const { return driveIdText_; }
    const std::string& versionText() const { return versionText_; }

    // ---- lists
    const std::vector<std::string>& mediaItems() const { return mediaItems_; }
    int mediaIndex() const;
    const std::vector<std::string>& qualityItems() const { return qualityItems_; }
    int qualityIndex() const;
    std::uint16_t media() const { return media_; }
    std::uint16_t quality() const { return quality_; }
    // A new selection (or a double click) in a list, or a text typed into the
    // quality list: any text but "Draft", "Normal" and "Best" selects quality
    // 1 (Normal). When the print mode cannot be read the shown values stay,
    // and so does the mode they belong to.
    bool selectMedia(std::string_view shownText);
    bool selectQuality(std::string_view shownText);

    // ---- fields
    const std::string& fieldText(EditValue v) const { return texts_[index(v)]; }
    void setFieldText(EditValue v, std::string text) { texts_[index(v)] = std::move(text); }
    // Whether this editor has a control for the value.
    bool hasField(EditValue v) const;
    bool fieldEnabled(EditValue v) const { return enabling_.field[index(v)]; }
    bool groupEnabled(int group) const { return enabling_.group[static_cast<std::size_t>(group)]; }
    std::string_view readPowerLabel() const { return enabling_.readPowerLabel; }

    SpacingUnit trackUnit() const { return trackSpacing_.unit(); }
    SpacingUnit markUnit() const { return markSpacing_.unit(); }
    // Reads the fields first; false when a field refused its text.
    bool setTrackUnit(SpacingUnit unit);
    bool setMarkUnit(SpacingUnit unit);

    // The field whose text was refused last, for the dialog to focus.
    std::optional<EditValue> refusedField() const { return refused_; }

    // ---- buttons and drops
    bool apply();
    bool saveDrf();
    OpenOutcome selectDrf();
    OpenOutcome drop(const std::vector<std::string>& paths);
    // Asks about unsaved changes; false when the editor must stay open.
    bool mayClose();
    // The print mode's values as saved in the file and as the fields show
    // them, for "Preview Label..."; nothing is applied or written. False (the
    // user has been told why) without a DRF, with a field that refuses its
    // text, or when the file's print mode cannot be read.
    bool previewValues(PreviewValues& out);

    // Shown values differ from the file: edited and not applied, or applied and not saved.
    bool modified() const;

private:
    // The field values as the user typed them, spacings in nanometres; the
    // field that refuses its text, if any.
    std::optional<EditValue> parseFields(EditValues& values) const;
    // As parseFields, telling the user which field refused and why.
    bool readFields(EditValues& values);
    void commitFields(const EditValues& values);
    void showValues();
    bool loadMode(std::uint16_t media, std::uint16_t quality);
    void fillLists();
    void showFileInfo(const DrfEditState& state);
    void updateEnabling();
    bool applyShown();
    // The save dialog with its create and replace questions; nothing when cancelled.
    std::optional<std::string> chooseSaveTarget();
    bool askAboutChanges();

    EditorKind kind_;
    Prompter& prompter_;
    NextDrfPaths& next_;

    DrfEditState state_;
    std::string path_;
    bool loaded_ = false;
    std::string fileNameText_;
    std::string driveIdText_;
    std::string versionText_;

    std::uint16_t media_ = 0;
    std::uint16_t quality_ = 0;
    std::vector<std::string> mediaItems_;
    std::vector<std::string> qualityItems_;

    std::array<std::string, kEditValueCount> texts_;
    EditValues values_{};       // last values read from or given to the fields
    EditValues loadedValues_{}; // the values the print mode holds in the document
    SpacingField trackSpacing_;
    SpacingField markSpacing_;
    Enabling enabling_;
    std::optional<EditValue> refused_;
};

} // namespace resedit
