#pragma once

// The catalogue's rows as constant data: one row per code, ascending.

#include <cstdint>
#include <span>
#include <string_view>

struct ErrorCodeRow {
    std::uint32_t code;
    std::string_view symbolicName;
    std::string_view errorClass;
    std::string_view comment;
    std::string_view message;
};

// Labelling API and print engine codes.
inline constexpr std::uint32_t kApiFamilyFirst = 0x201;
inline constexpr std::uint32_t kApiFamilyLast = 0x23E;
// Drive-communication layer codes, 0x10AF being the end marker rather than an error.
inline constexpr std::uint32_t kCommFamilyFirst = 0x1000;
inline constexpr std::uint32_t kCommFamilyLast = 0x10AF;
// Code = first + SCSI sense key (0 to 0Fh).
inline constexpr std::uint32_t kSenseKeyFirst = 0x1088;
inline constexpr std::uint32_t kSenseKeyLast = 0x1097;

std::span<const ErrorCodeRow> errorCodeRows();
