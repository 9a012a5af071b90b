// The program's own texts: captions, help texts, messages, the file filter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace resedit {

inline constexpr std::string_view kAppTitle = "Quillmark resedit";
inline constexpr std::string_view kVersionText = "Version 4.1";
inline constexpr std::string_view kAboutMenuText = "&About Quillmark resedit...";
inline constexpr int kAboutCommandId = 16;
inline constexpr std::string_view kAboutTitle = "About Quillmark resedit";
inline constexpr std::string_view kAboutText = "Quillmark resedit Version 4.1.0";
inline constexpr std::string_view kAboutNotice = "Copyright (C) Quillmark tool suite developers";
inline constexpr int kAboutDialogId = 100;
inline constexpr int kIconId = 128;
inline constexpr std::string_view kClassicTitle = "Quillmark resedit ";
inline constexpr std::string_view kClassicSubtitle = "Editor for DRF Formats 1, 2 & 3";
inline constexpr std::string_view kReorgSubtitle = "Editor for DRF Format 4";
inline constexpr std::string_view kReorgInitialFileName = "some filename";

inline constexpr std::string_view kDrfFilter = "(DRF Files *.bin) | *.bin |(All Files *.*) | *.* ||";
inline constexpr std::string_view kDrfExtension = "bin";
inline constexpr std::string_view kDrfInitialName = "*.bin";

inline constexpr std::string_view kMsgErrorReading = "Error reading DRF";
inline constexpr std::string_view kMsgOverrides =
    "Laser Write Power, Laser Read Power and Laser Write Velocity must all be set to non-zero values for the "
    "Overrides to be used.";
inline constexpr std::string_view kMsgSeamNeedsSpiral =
    "Spiral tracking must be turned on in order for Seam Modulation to be turned on.";
inline constexpr std::string_view kMsgErrorApplying = "Error saving changes in DRF";
inline constexpr std::string_view kMsgApplied = "Settings were updated";
inline constexpr std::string_view kMsgErrorWriting = "Error writing DRF";
inline constexpr std::string_view kMsgSaved = "DRF File was saved";
// The save dialog's questions before it creates or replaces a file; %s is
// the chosen file's name.
inline constexpr std::string_view kCreatePromptFormat =
    "%s\nThis file does not exist.\nDo you want to create it?";
inline constexpr std::string_view kReplacePromptFormat = "%s already exists.\nDo you want to replace it?";
// Printed to standard output when a DRF cannot be read; %s is the path.
inline constexpr std::string_view kCannotReadFormat = "Cannot read DRF: %s\n";

inline constexpr std::string_view kReadPowerLabelMilliwatt = "Read Laser Power Override (mW)";
inline constexpr std::string_view kReadPowerLabelTenth = "Read Laser Power Override (0.1 mW)";

inline constexpr std::string_view kMediaListFormat = "%d: %s";

// The multi-line texts, each assembled from the pieces the dialogs show.
std::string launcherInfoText();
std::string classicHelpText();
std::string reorgHelpText();

// The save dialog's question about `fileName`: whether to create it (it does
// not exist yet) or to replace it.
std::string savePrompt(std::string_view fileName, bool exists);

// One name and pattern list of a file-dialog filter.
struct FilterEntry {
    std::string name;
    std::string patterns;
};
// Splits "(DRF Files *.bin) | *.bin |(All Files *.*) | *.* ||" into its pairs,
// trimming the blanks around each piece.
std::vector<FilterEntry> splitFilter(std::string_view filter);

} // namespace resedit
