// Built-in names of media and drive identifiers.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

namespace drf {

struct NameRow {
    std::int32_t id;
    std::string_view name;
};

std::span<const NameRow> mediaNameRows();
std::span<const NameRow> driveNameRows();

inline constexpr std::string_view kUnrecognizedMedia = "Unrecognized Media";

// Both tables as ordered maps; built afresh for each use.
class DriveMediaNames {
public:
    DriveMediaNames();

    const std::map<std::int32_t, std::string>& mediaNames() const { return media_; }
    const std::map<std::int32_t, std::string>& driveNames() const { return drives_; }

private:
    std::map<std::int32_t, std::string> media_;
    std::map<std::int32_t, std::string> drives_;
};

// The media name, or "Unrecognized Media"; with the number as "%d: %s".
std::string MediaDisplayText(std::int32_t mediaId, bool withNumber);
// The id of the first table row whose display text is `text`; otherwise the decimal
// number before the first ':' (0 when there is none).
std::int32_t MediaIdFromText(std::string_view text, bool withNumber);
// The drive name; empty when the table has none.
std::string DriveName(std::int32_t driveId);

} // namespace drf
