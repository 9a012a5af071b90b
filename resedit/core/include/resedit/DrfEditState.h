// The editing state both editors share: one DRF document, its format version,
// drive and media list, and the 21 values of a print mode read from and
// written to it.
#pragma once

#include "resedit/EditValues.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace drf {
class DrfDocument;
}

namespace resedit {

class DrfEditState {
public:
    DrfEditState();
    ~DrfEditState();
    DrfEditState(DrfEditState&&) noexcept;
    DrfEditState& operator=(DrfEditState&&) noexcept;

    // Reads a DRF into a fresh document (a file already shown is read again, so
    // changes never saved are gone). Public result code of the model; a DRF that
    // cannot be read also prints "Cannot read DRF: <path>" to standard output.
    int open(const std::filesystem::path& path);

    const std::filesystem::path& path() const { return path_; }
    std::uint32_t formatVersion() const { return formatVersion_; }
    std::uint16_t driveId() const { return driveId_; }
    // Non-zero entries of the supported media list, in list order.
    const std::vector<std::uint16_t>& supportedMedia() const { return media_; }
    // "%d: %s" per supported media, sorted as text.
    std::vector<std::string> mediaTexts() const;

    // The values of the print mode (media, quality); public result code. On
    // failure `values` is left as it was.
    int loadValues(std::uint16_t media, std::uint16_t quality, EditValues& values);
    // Writes the values into that print mode of the document (no file is
    // touched); public result code.
    int applyValues(std::uint16_t media, std::uint16_t quality, const EditValues& values);

    // Applied values that differ from what the file holds.
    bool hasUnsavedChanges() const { return unsaved_; }

    // Writes the whole DRF to `target`, keeping the file it replaces as
    // NAME.bak beside it; public result code. On success the state stands for
    // `target`.
    int save(const std::filesystem::path& target);

    drf::DrfDocument& document() { return *document_; }

private:
    std::unique_ptr<drf::DrfDocument> document_;
    std::filesystem::path path_;
    // The file the document was read from; a save elsewhere does not make the
    // document read the new file back.
    std::filesystem::path documentPath_;
    std::uint32_t formatVersion_ = 0;
    std::uint16_t driveId_ = 0;
    std::vector<std::uint16_t> media_;
    bool unsaved_ = false;
};

// The format version of a DRF, read through a fresh document; public result code.
int readFormatVersion(const std::filesystem::path& path, std::uint32_t& version);

} // namespace resedit
