// The resources of jobview as its users know them: command ids, menu texts,
// dialog ids, captions, sizes and texts. Widgets take everything from here.
#pragma once

#include <string_view>

namespace jobview {

enum class Command {
    FileOpen,
    FileSavePicture,
    CopyPicture,
    FilePrint,
    FilePrintPreview,
    FilePrintSetup,
    RecentFile,
    AppExit,
    ViewToolbar,
    ViewStatusBar,
    AppAbout,
    ShowFileStatistics,
    FileCompareWith,
    CompareShowA,
    CompareShowB,
    CompareShowDifference,
    CompareSummary,
    CompareEnd,
    Separator,
};

struct CommandRow {
    Command command;
    int id; // also the action's object name, in decimal
    std::string_view menu;
    std::string_view text; // as the menu shows it; "\t" precedes the shortcut
    std::string_view shortcut;
};

inline constexpr int kRecentFileFirstId = 57616;

// In menu order. Saving and copying the picture are ours; they take the
// framework's ids for "Save As" and "Copy".
inline constexpr CommandRow kCommands[] = {
    {Command::FileOpen, 57601, "&File", "&Open...\tCtrl+O", "Ctrl+O"},
    {Command::FileCompareWith, 32780, "&File", "Compare &With...", ""},
    {Command::FileSavePicture, 57604, "&File", "Save Picture &As...", ""},
    {Command::CopyPicture, 57634, "&File", "&Copy Picture\tCtrl+C", "Ctrl+C"},
    {Command::FilePrint, 57607, "&File", "&Print...\tCtrl+P", "Ctrl+P"},
    {Command::FilePrintPreview, 57609, "&File", "Print Pre&view", ""},
    {Command::FilePrintSetup, 57606, "&File", "P&rint Setup...", ""},
    {Command::Separator, 0, "&File", "", ""},
    {Command::RecentFile, kRecentFileFirstId, "&File", "Recent File", ""},
    {Command::Separator, 0, "&File", "", ""},
    {Command::AppExit, 57665, "&File", "E&xit", ""},
    {Command::ViewToolbar, 59392, "&View", "&Toolbar", ""},
    {Command::ViewStatusBar, 59393, "&View", "&Status Bar", ""},
    {Command::AppAbout, 57664, "&Help", "&About jobview...", ""},
    {Command::ShowFileStatistics, 32771, "Statistics", "Show File Statistics", ""},
    {Command::CompareShowA, 32781, "&Compare", "Show &A\tA", "A"},
    {Command::CompareShowB, 32782, "&Compare", "Show &B\tB", "B"},
    {Command::CompareShowDifference, 32783, "&Compare", "Show &Difference\tD", "D"},
    {Command::Separator, 0, "&Compare", "", ""},
    {Command::CompareSummary, 32784, "&Compare", "&Summary...", ""},
    {Command::CompareEnd, 32785, "&Compare", "&End Compare", ""},
};

inline constexpr std::string_view kMenus[] = {"&File", "&View", "&Compare", "&Help", "Statistics"};

// The compare tool bar, left to right; shown while a comparison is on.
inline constexpr Command kCompareToolBar[] = {Command::CompareShowA, Command::CompareShowB,
                                              Command::CompareShowDifference, Command::CompareSummary};
inline constexpr std::string_view kCompareToolBarName = "Compare";
inline constexpr std::string_view kCompareSummaryCaption = "Compare Summary";

// Tool bar buttons, left to right; Separator splits groups.
inline constexpr Command kToolBar[] = {Command::FileOpen,    Command::FileSavePicture, Command::Separator,
                                       Command::CopyPicture, Command::Separator,       Command::FilePrint,
                                       Command::Separator,   Command::AppAbout};

constexpr const CommandRow* commandRow(Command command) {
    for (const CommandRow& row : kCommands)
        if (row.command == command)
            return &row;
    return nullptr;
}

inline constexpr std::string_view kAppName = "jobview";
inline constexpr std::string_view kUntitled = "Untitled";
inline constexpr std::string_view kRegistryKey = "Local AppWizard-Generated Applications";
inline constexpr std::string_view kDocumentTemplate =
    "jobview\n\njobview\n\n\njobview.Document\njobview.Document";
inline constexpr std::string_view kOpenFilter = "All Files (*)";
inline constexpr std::string_view kSaveFilter = "PNG picture (*.png);;BMP picture (*.bmp)";
inline constexpr std::string_view kReady = "Ready";

struct DialogResource {
    int id;
    std::string_view caption;
    int widthUnits; // dialog units
    int heightUnits;
};

inline constexpr DialogResource kAboutDialog = {100, "About jobview", 170, 62};
inline constexpr DialogResource kProgressDialog = {130, "Progress", 202, 26};
inline constexpr DialogResource kStatisticsDialog = {131, "File Statistics", 195, 87};

inline constexpr int kIdOk = 1;
inline constexpr int kProgressBarId = 1000;
inline constexpr std::string_view kAboutText = "jobview Version 1.0";

// Status bar panes after the message pane.
inline constexpr std::string_view kIndicators[] = {"CAP", "NUM", "SCRL"};

} // namespace jobview
