#pragma once

// The registry settings the checks read and the fixes write, one row each:
// every reader (the checks, the guided check, qmdiag's report and fix lines,
// the system settings report) takes the key, the value, its type and the
// wanted and fixed data from here, so a setting is spelled once.

#include "platform/Registry.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace settings {

enum class SettingId { AllocateCdRoms, Autorun, IaaFix, ServiceStart, ServiceObjectName };

// How a check reads the value: the text up to its terminator, a flag (any
// value that is not zero), or a number.
enum class SettingRead { Text, Flag, Number };

struct SettingRow {
    SettingId id;
    // The check's name as qmdiag's report prints it.
    const char* check;
    // The guided check's step, as qmdiag names it.
    std::wstring_view step;
    // Below HKEY_LOCAL_MACHINE, with the trailing backslash.
    std::wstring_view key;
    std::wstring_view value;
    // REG_SZ or REG_DWORD, for the fix.
    std::uint32_t type;
    SettingRead read;
    // The data that makes the check true (for a flag: any non-zero number).
    std::wstring_view trueText;
    std::uint32_t trueNumber;
    // What the fix writes.
    std::wstring_view fixText;
    std::uint32_t fixNumber;
};

inline constexpr std::wstring_view kWinlogonKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\";
inline constexpr std::wstring_view kCdRomKey = L"SYSTEM\\CurrentControlSet\\Services\\CDRom\\";
inline constexpr std::wstring_view kQuillmarkKey = L"SOFTWARE\\Quillmark\\";
inline constexpr std::wstring_view kServiceKey = L"SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\";

// isAllocateCdRomsSet is true when CD-ROMs are allocated ("1"), which is the
// problem; the fix writes the default "0". The others are true when right.
inline constexpr std::array<SettingRow, 5> kSettings{{
    {SettingId::AllocateCdRoms, "isAllocateCdRomsSet", L"allocatecdroms", kWinlogonKey, L"allocatecdroms",
     qmplatform::kRegSz, SettingRead::Text, L"1", 0, L"0", 0},
    {SettingId::Autorun, "isAutorunOn", L"autorun", kCdRomKey, L"autorun", qmplatform::kRegDword,
     SettingRead::Flag, {}, 1, {}, 1},
    {SettingId::IaaFix, "isIaaFixSet", L"accelerator", kQuillmarkKey, L"IAA", qmplatform::kRegDword,
     SettingRead::Flag, {}, 1, {}, 1},
    {SettingId::ServiceStart, "isServiceAutomatic", L"service-automatic", kServiceKey, L"Start",
     qmplatform::kRegDword, SettingRead::Number, {}, 2, {}, 2},
    {SettingId::ServiceObjectName, "isServiceLocalSystem", L"service-localsystem", kServiceKey, L"ObjectName",
     qmplatform::kRegSz, SettingRead::Text, L"LocalSystem", 0, L"LocalSystem", 0},
}};

constexpr const SettingRow& row(SettingId id) {
    for (const SettingRow& row : kSettings) {
        if (row.id == id) {
            return row;
        }
    }
    return kSettings[0];
}

// "HKEY_LOCAL_MACHINE\<key><value> = <fix>", the fix as a .reg line shows
// it: text in quotes, a number as it is.
std::wstring describeFix(const SettingRow& row);

} // namespace settings
