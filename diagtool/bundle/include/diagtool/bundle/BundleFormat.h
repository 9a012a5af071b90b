// The support bundle's layout: one zip archive with manifest.json and the
// entries it lists. Names, kinds and limits live here, shared by the writer,
// the reader and the replay.
//
//   manifest.json               format, versions, time, every entry (kind, size, SHA-256), what failed or was left out
//   report.txt, report.json     qmdiag report and qmdiag report --json
//   facts.json                  user, computer, administrator state, environment, shell folders, services
//   drives.json                 the labelling API's drives: scan lines and raw records
//   registry/NN-NAME.reg        the keys the checks read, regedit's format (UTF-16LE)
//   modules/versions.json       version data of every module (qmres version's form)
//   files/FOLDER/PATH           small modules, the installer marker, error logs, the fix journal,
//                               below the shell folder FOLDER names
//   eventlog/Application.evt    the Application log, as a saved .evt file
#pragma once

#include <cstdint>
#include <string_view>

namespace qmbundle {

inline constexpr char kFormatName[] = "quillmark-support-bundle";
inline constexpr int kFormatVersion = 1;

inline constexpr char kManifestName[] = "manifest.json";
inline constexpr char kReportTextName[] = "report.txt";
inline constexpr char kReportJsonName[] = "report.json";
inline constexpr char kFactsName[] = "facts.json";
inline constexpr char kDrivesName[] = "drives.json";
inline constexpr char kModuleVersionsName[] = "modules/versions.json";
inline constexpr char kEventLogName[] = "eventlog/Application.evt";
inline constexpr char kRegistryFolder[] = "registry/";
inline constexpr char kFilesFolder[] = "files/";

// What an entry is, as the manifest names it.
inline constexpr char kKindReportText[] = "report-text";
inline constexpr char kKindReportJson[] = "report-json";
inline constexpr char kKindFacts[] = "facts";
inline constexpr char kKindDrives[] = "drives";
inline constexpr char kKindRegistry[] = "registry";
inline constexpr char kKindModuleVersions[] = "module-versions";
inline constexpr char kKindModule[] = "module";
inline constexpr char kKindInstallerMarker[] = "installer-marker";
inline constexpr char kKindErrorLog[] = "error-log";
inline constexpr char kKindEventLog[] = "event-log";
inline constexpr char kKindFixJournal[] = "fix-journal";

// The shell folders files are carried below, by the name the bundle gives
// each; a replay puts a file below its own folder of the same id, so a
// machine whose folders lie elsewhere still replays.
struct FolderRow {
    const char* name;
    int csidl;
};
inline constexpr FolderRow kFolders[] = {
    {"CommonProgramFiles", 0x2B},
    {"ProgramFiles", 0x26},
    {"LocalAppData", 0x1C},
    {"CommonAppData", 0x23},
};

// What the writer carries. A module file above its limit keeps only its
// version data; error logs are taken newest first until a file or the total
// would pass its limit, the rest listed in the manifest as left out; the
// Application log keeps every record of the labelling service and the other
// sources' records of the last days.
inline constexpr std::uint64_t kMaxModuleFileBytes = 1u << 20;
inline constexpr std::uint64_t kMaxLogFileBytes = 2u << 20;
inline constexpr std::uint64_t kMaxLogTotalBytes = 16u << 20;
inline constexpr std::uint64_t kMaxJournalBytes = 4u << 20;
inline constexpr std::uint64_t kMaxRegistryExportBytes = 8u << 20;
inline constexpr std::uint64_t kMaxEventLogBytes = 16u << 20;
inline constexpr std::uint32_t kOtherSourcesDays = 7;

// What the reader accepts before it extracts anything more.
struct ReadLimits {
    std::uint64_t maxArchiveBytes = 256u << 20;
    std::uint64_t maxEntries = 4096;
    std::uint64_t maxEntryBytes = 64u << 20;
    std::uint64_t maxTotalBytes = 256u << 20;
    // Extracted bytes against the archive's own size; a small archive that
    // unpacks to far more is a compression bomb, whatever its entries claim.
    std::uint64_t maxRatio = 100;
    std::uint64_t ratioSlackBytes = 1u << 20;
};

// Placeholders of --redact: stable, so a replay of a redacted bundle is a
// consistent machine (its user's folders are named after the placeholder).
inline constexpr wchar_t kRedactedUser[] = L"redacted-user";
inline constexpr wchar_t kRedactedComputer[] = L"REDACTED-PC";

} // namespace qmbundle
