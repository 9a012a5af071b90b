#include "drf/PrintModeInfo.h"

namespace drf {

bool PrintModeKey::equals(const PrintModeKey& other) const {
    return driveId == other.driveId && qualityId == other.qualityId && mediaId == other.mediaId &&
           availability == other.availability;
}

ResourceRecord* PrintModeInfo::record(std::uint32_t kind) const {
    return kind < kindCount() ? records_[kind] : nullptr;
}

std::uint32_t PrintModeInfo::setRecord(std::uint32_t kind, ResourceRecord* record) {
    if (kind < kindCount())
        records_[kind] = record;
    return kind;
}

} // namespace drf
