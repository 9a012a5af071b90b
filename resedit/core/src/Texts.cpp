#include "resedit/Texts.h"

#include <array>

namespace resedit {

namespace {

template <std::size_t N> std::string join(const std::array<std::string_view, N>& pieces) {
    std::string text;
    for (std::string_view piece : pieces) {
        text += piece;
    }
    return text;
}

constexpr std::array<std::string_view, 10> kLauncherInfo{
    "\n    The Quillmark resedit is a utility used to display and modify Quillmark",
    "\n     DRFs.",
    "\n\n    All DRF formats are supported by the resedit.  DRFs in format versions 1, 2,",
    "\n    3 are edited for every drive, media, and print quality combination.  DRFs in ",
    "\n    format 4 have drive data, drive/media data and drive/media/print quality data.",
    "\n    To support all DRF format versions, the resedit has different editing screens",
    "\n    depending on the format version of selected resedit.",
    "\n\n    The resedit supports drag and drop capabilities at the initial start up screen",
    "\n    and the editing screens.  The resedit will switch the correct editing screen",
    "\n    depending on the format version of the selected DRF.\n",
};

constexpr std::array<std::string_view, 13> kClassicHelp{
    "\n   DRF values are edited for each drive",
    "\n   media and print quality combination.\n",
    "\n   Select the media and print quality,",
    "\n   edit the DRF values and click the ",
    "\n   Apply button.  To save the DRF,click",
    "\n   the Save button.\n",
    "\n   If changes made to only one media and",
    "\n   print quality combination, click the Save",
    "\n   button will apply and save changes. \n",
    "\n   New DRFs can be loaded by dragging ",
    "\n   and dropping the DRF file to the edit ",
    "\n   screen or by clicking the Select DRF ",
    "\n   button.",
};

constexpr std::array<std::string_view, 17> kReorgHelp{
    "\n   DRF values are classified as drive data,",
    "\n   drive/media data and drive/media/print",
    "\n   quality data.\n",
    "\n   Drive data is set for the specific drive.",
    "\n   It affects all media and print quality",
    "\n   combinations.  Drive/media data is defined",
    "\n   for each media type.  Drive/media/print",
    "\n   quality data is defined for each media and ",
    "\n   print quality combinations.\n",
    "\n   Select the media and print quality,",
    "\n   edit the DRF values and click the ",
    "\n   Apply button.  To save the DRF, click",
    "\n   the Save button.\n",
    "\n   New DRFs can be loaded by dragging ",
    "\n   and dropping the DRF file to the edit ",
    "\n   screen or or by clicking the Select DRF",
    "\n   button.",
};

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

} // namespace

std::string launcherInfoText() {
    return join(kLauncherInfo);
}
std::string classicHelpText() {
    return join(kClassicHelp);
}
std::string reorgHelpText() {
    return join(kReorgHelp);
}

std::string savePrompt(std::string_view fileName, bool exists) {
    const std::string_view format = exists ? kReplacePromptFormat : kCreatePromptFormat;
    const auto at = format.find("%s");
    std::string text(format.substr(0, at));
    text += fileName;
    text += format.substr(at + 2);
    return text;
}

std::vector<FilterEntry> splitFilter(std::string_view filter) {
    std::vector<std::string_view> pieces;
    while (true) {
        const auto bar = filter.find('|');
        if (bar == std::string_view::npos) {
            break;
        }
        pieces.push_back(trimmed(filter.substr(0, bar)));
        filter.remove_prefix(bar + 1);
    }
    std::vector<FilterEntry> entries;
    // An empty name ends the list ("||").
    for (std::size_t i = 0; i + 1 < pieces.size() && !pieces[i].empty(); i += 2) {
        entries.push_back({std::string(pieces[i]), std::string(pieces[i + 1])});
    }
    return entries;
}

} // namespace resedit
