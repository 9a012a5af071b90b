// Print modes: one per drive, media and quality that a section supports.
#pragma once

#include "drf/KeyTables.h"

#include <array>
#include <cstdint>

namespace drf {

struct ResourceRecord;

class PrintModeKey {
public:
    PrintModeKey() = default;
    PrintModeKey(std::uint16_t driveId, std::uint16_t qualityId, std::uint16_t mediaId,
                 std::uint16_t availability)
        : driveId(driveId), qualityId(qualityId), mediaId(mediaId), availability(availability) {}
    virtual ~PrintModeKey() = default;
    PrintModeKey(const PrintModeKey&) = default;
    PrintModeKey& operator=(const PrintModeKey&) = default;

    virtual bool equals(const PrintModeKey& other) const;
    bool operator==(const PrintModeKey& other) const { return equals(other); }

    std::uint16_t driveId = 0;
    std::uint16_t qualityId = 0;
    std::uint16_t mediaId = 0;
    std::uint16_t availability = 0; // 0: listed, but may not be used
};

// The records belong to the library, never to the mode.
class PrintModeInfo {
public:
    explicit PrintModeInfo(const PrintModeKey& key) : key_(key) {}
    virtual ~PrintModeInfo() = default;
    PrintModeInfo(const PrintModeInfo&) = delete;
    PrintModeInfo& operator=(const PrintModeInfo&) = delete;

    virtual std::uint32_t kindCount() const = 0;
    // nullptr when kind is not below kindCount() or the mode has no record bound yet.
    virtual ResourceRecord* record(std::uint32_t kind) const;
    // Ignored for kinds not below kindCount(); returns kind.
    virtual std::uint32_t setRecord(std::uint32_t kind, ResourceRecord* record);

    const PrintModeKey& key() const { return key_; }
    PrintModeKey& key() { return key_; }

private:
    PrintModeKey key_;
    std::array<ResourceRecord*, kMaxKinds> records_{};
};

#define QM_DRF_PRINT_MODE(Name, Kinds)                                                                       \
    class Name final : public PrintModeInfo {                                                                \
    public:                                                                                                  \
        using PrintModeInfo::PrintModeInfo;                                                                  \
        std::uint32_t kindCount() const override { return Kinds; }                                           \
    };
QM_DRF_PRINT_MODE(PrintEnginePrintModeGen1, 7)
QM_DRF_PRINT_MODE(PrintEnginePrintModeGen2, 7)
QM_DRF_PRINT_MODE(PrintEnginePrintModeGen3, 8)
QM_DRF_PRINT_MODE(PrintEnginePrintModeGen4, 3)
QM_DRF_PRINT_MODE(VarmelonPrintModeGen1, 1)
QM_DRF_PRINT_MODE(QuessaPrintModeGen1, 1)
QM_DRF_PRINT_MODE(LorvanePrintModeGen1, 9)
QM_DRF_PRINT_MODE(PendrithePrintModeGen1, 22)
#undef QM_DRF_PRINT_MODE

} // namespace drf
