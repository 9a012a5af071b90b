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
// A file that cannot be understood is never overwritten: appending to it
// fails, so no fix is made whose old data could not be kept.

#include "diagtool/windows/FixJournal.h"

#include "platform/System.h"

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

    // Windows path of the file; empty when the folder is unknown.
    const std::wstring& path() const { return path_; }

    // The records of a journal file's text; false for anything malformed.
    static bool parse(std::string_view text, std::vector<FixRecord>& out);
    static std::string serialise(const std::vector<FixRecord>& records);

private:
    bool load(std::vector<FixRecord>& out) const;
    bool store(const std::vector<FixRecord>& records);

    qmplatform::System& system_;
    std::wstring path_;
};
