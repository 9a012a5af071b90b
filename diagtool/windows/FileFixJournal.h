#pragma once

// The fix journal of a machine, kept as a JSON file in the user's local
// application data folder, so that an undo works in a later run too.
//
// { "version": 1, "fixes": [ { "root": "HKEY_LOCAL_MACHINE", "key": "...",
//   "value": "...", "existed": true, "type": 4, "data": "03000000",
//   "run": "..." },
//   { "kind": "service-start", "service": "QuillmarkService", "run": "..." } ] }
//
// "run" is written only for records that carry one, and "kind" only for
// records that are not registry values, so a journal of registry fixes made
// without a run reads the same as it always did.
//
// The file is read whole on every call and replaced whole on every change.
// A file that cannot be understood is never lost: the next append keeps its
// bytes aside as "FixJournal.unreadable-YYYYMMDD-HHMMSS.json" (UTC) beside it
// and starts a new journal, and the user is told once, with both names. A
// file that cannot be read or written at all stays as it is; appends then
// fail with the reason, and the fixes go ahead without a record.

#include "FixJournal.h"

#include "platform/System.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class FileFixJournal final : public FixJournal {
public:
    static constexpr std::wstring_view kRelativePath = L"Quillmark\\Diagnostics\\FixJournal.json";

    explicit FileFixJournal(qmplatform::System& system);

    bool append(const FixRecord& record) override;
    bool last(FixRecord& out) const override;
    bool dropLast() override;
    std::wstring problem() const override { return problem_; }
    std::wstring takeNotice() override;

    // Where an unreadable journal goes, for a time in UTC:
    // "...\FixJournal.unreadable-20260309-141502.json".
    static std::wstring asidePath(std::wstring_view journalPath, std::chrono::system_clock::time_point when);

    // Windows path of the file; empty when the folder is unknown.
    const std::wstring& path() const { return path_; }

    // The records of a journal file's text; false for anything malformed.
    static bool parse(std::string_view text, std::vector<FixRecord>& out);
    static std::string serialise(const std::vector<FixRecord>& records);

private:
    enum class Load : std::uint8_t { Loaded, NoFolder, Unreadable, NotAJournal };
    // `text` receives the file's bytes when they are no journal.
    Load load(std::vector<FixRecord>& out, std::string* text = nullptr) const;
    bool store(const std::vector<FixRecord>& records);
    bool keepAside(const std::string& text);
    // Records the failure's reason in problem_; false for anything but Loaded.
    bool loaded(Load result) const;

    qmplatform::System& system_;
    std::wstring path_;
    mutable std::wstring problem_;
    std::wstring notice_;
};
