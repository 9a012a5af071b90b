#pragma once

// What a fix changed, kept so that it can be put back. Every fix is recorded
// before it is written, so a fix that changes a setting leaves the old data
// behind, even when the program stops right after. A journal never costs the
// user a fix: one that cannot keep the record lets the fix go ahead, and the
// user learns that this fix cannot be undone, and why.

#include "platform/Win32Codes.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What a fix changed. Registry values are put back as they were; a service
// the fix started is stopped again.
enum class FixKind : std::uint8_t { RegistryValue, ServiceStart };

struct FixRecord {
    // Registry value fields, used when kind is RegistryValue.
    std::wstring root = L"HKEY_LOCAL_MACHINE";
    std::wstring keyPath;
    std::wstring valueName;
    // False when the value did not exist before the fix: undo deletes it.
    bool existed = false;
    std::uint32_t type = qmplatform::kRegNone;
    std::vector<std::uint8_t> data;
    // Which run of a program made the fix, so that one run's fixes can be
    // taken back together; empty for fixes recorded without one.
    std::wstring run;
    FixKind kind = FixKind::RegistryValue;
    // The service a ServiceStart fix started.
    std::wstring service;
    bool operator==(const FixRecord&) const = default;
};

class FixJournal {
public:
    virtual ~FixJournal() = default;
    // False when the record could not be kept (problem() says why); the fix
    // is made all the same, and cannot be undone.
    virtual bool append(const FixRecord& record) = 0;
    // The most recent record; false when the journal is empty or unreadable
    // (problem() is then empty or says why).
    virtual bool last(FixRecord& out) const = 0;
    virtual bool dropLast() = 0;
    // Why the last append or read failed, as the user is told; empty when it
    // did not.
    virtual std::wstring problem() const { return {}; }
    // What the user is to be told once (a journal that could not be read was
    // put aside); empty once taken.
    virtual std::wstring takeNotice() { return {}; }
};

// A journal that lives as long as the object, for callers that keep no file.
class MemoryFixJournal final : public FixJournal {
public:
    bool append(const FixRecord& record) override {
        records_.push_back(record);
        return true;
    }
    bool last(FixRecord& out) const override {
        if (records_.empty()) {
            return false;
        }
        out = records_.back();
        return true;
    }
    bool dropLast() override {
        if (records_.empty()) {
            return false;
        }
        records_.pop_back();
        return true;
    }
    const std::vector<FixRecord>& records() const { return records_; }

private:
    std::vector<FixRecord> records_;
};

// Stamps every record with one run's id on its way into another journal.
class RunFixJournal final : public FixJournal {
public:
    RunFixJournal(FixJournal& inner, std::wstring run) : inner_(inner), run_(std::move(run)) {}
    bool append(const FixRecord& record) override {
        FixRecord stamped = record;
        stamped.run = run_;
        return inner_.append(stamped);
    }
    bool last(FixRecord& out) const override { return inner_.last(out); }
    bool dropLast() override { return inner_.dropLast(); }
    std::wstring problem() const override { return inner_.problem(); }
    std::wstring takeNotice() override { return inner_.takeNotice(); }
    const std::wstring& run() const { return run_; }

private:
    FixJournal& inner_;
    std::wstring run_;
};
