// Resource sets: the parameters of one print-engine print mode, one heap part
// per kind of the section's generation. The editors read and write these.
#pragma once

#include "drf/ResourceRecord.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace drf {

class LibraryFactory;
class PrintModeInfo;

// Every part a resource set of any generation can hold.
enum class PartId {
    ConfigurationFile,
    ResolutionsFile,
    ImageEnhancementFile,
    ColorsFile,
    PrintPreviewFile,
    TrackingFile,
    MarkingFile,
    Marking2File,
    FeaturesFile,
    DriveDataFile,
    DriveMediaDataFile,
    PrintModeDataFile,
};
inline constexpr std::size_t kPartCount = 12;
inline constexpr std::array<std::string_view, kPartCount> kPartNames{
    "ConfigurationFile", "ResolutionsFile", "ImageEnhancementFile", "ColorsFile",
    "PrintPreviewFile",  "TrackingFile",    "MarkingFile",          "Marking2File",
    "FeaturesFile",      "DriveDataFile",   "DriveMediaDataFile",   "PrintModeDataFile"};
// PartId of a kind name; false when no part has that name.
bool partIdFromName(std::string_view kindName, PartId& id);

class PrintEngineResourcesImpl {
public:
    virtual ~PrintEngineResourcesImpl();
    PrintEngineResourcesImpl(const PrintEngineResourcesImpl&) = delete;
    PrintEngineResourcesImpl& operator=(const PrintEngineResourcesImpl&) = delete;

    // "PrintEngineResourcesGen1" to "PrintEngineResourcesGen4".
    virtual std::string_view className() const = 0;
    // Print-engine generation whose kinds this set holds.
    virtual std::uint32_t generation() const = 0;
    // Whether this generation has a set/get pair for the part.
    virtual bool implements(PartId id) const = 0;
    // The part that stands for kind index k of the generation.
    virtual bool partOfKind(std::uint32_t kind, PartId& id) const = 0;

    void clear();
    void releaseAll() { clear(); }

    // Ignored (the part is dropped) when the generation has no such part or the part
    // is of another kind. A null part removes the one held.
    void setPart(PartId id, std::unique_ptr<ResourcePart> part);
    // nullptr when the set has no such part.
    ResourcePart* part(PartId id) const;
    ResourcePart* part(std::string_view kindName) const;

    void setConfigurationFile(std::unique_ptr<ResourcePart> p) {
        setPart(PartId::ConfigurationFile, std::move(p));
    }
    ResourcePart* configurationFile() const { return part(PartId::ConfigurationFile); }
    void setResolutionsFile(std::unique_ptr<ResourcePart> p) {
        setPart(PartId::ResolutionsFile, std::move(p));
    }
    ResourcePart* resolutionsFile() const { return part(PartId::ResolutionsFile); }
    void setImageEnhancementFile(std::unique_ptr<ResourcePart> p) {
        setPart(PartId::ImageEnhancementFile, std::move(p));
    }
    ResourcePart* imageEnhancementFile() const { return part(PartId::ImageEnhancementFile); }
    void setColorsFile(std::unique_ptr<ResourcePart> p) { setPart(PartId::ColorsFile, std::move(p)); }
    ResourcePart* colorsFile() const { return part(PartId::ColorsFile); }
    void setPrintPreviewFile(std::unique_ptr<ResourcePart> p) {
        setPart(PartId::PrintPreviewFile, std::move(p));
    }
    ResourcePart* printPreviewFile() const { return part(PartId::PrintPreviewFile); }
    void setTrackingFile(std::unique_ptr<ResourcePart> p) { setPart(PartId::TrackingFile, std::move(p)); }
    ResourcePart* trackingFile() const { return part(PartId::TrackingFile); }
    void setMarkingFile(std::unique_ptr<ResourcePart> p) { setPart(PartId::MarkingFile, std::move(p)); }
    ResourcePart* markingFile() const { return part(PartId::MarkingFile); }
    void setMarking2File(std::unique_ptr<ResourcePart> p) { setPart(PartId::Marking2File, std::move(p)); }
    ResourcePart* marking2File() const { return part(PartId::Marking2File); }
    void setFeaturesFile(std::unique_ptr<ResourcePart> p) { setPart(PartId::FeaturesFile, std::move(p)); }
    ResourcePart* featuresFile() const { return part(PartId::FeaturesFile); }
    void setDriveDataFile(std::unique_ptr<ResourcePart> p) { setPart(PartId::DriveDataFile, std::move(p)); }
    ResourcePart* driveDataFile() const { return part(PartId::DriveDataFile); }
    void setDriveMediaDataFile(std::unique_ptr<ResourcePart> p) {
        setPart(PartId::DriveMediaDataFile, std::move(p));
    }
    ResourcePart* driveMediaDataFile() const { return part(PartId::DriveMediaDataFile); }
    void setPrintModeDataFile(std::unique_ptr<ResourcePart> p) {
        setPart(PartId::PrintModeDataFile, std::move(p));
    }
    ResourcePart* printModeDataFile() const { return part(PartId::PrintModeDataFile); }

protected:
    PrintEngineResourcesImpl() = default;

private:
    std::array<std::unique_ptr<ResourcePart>, kPartCount> parts_;
};

#define QM_DRF_RESOURCES(Name)                                                                               \
    class Name final : public PrintEngineResourcesImpl {                                                     \
    public:                                                                                                  \
        std::string_view className() const override;                                                         \
        std::uint32_t generation() const override;                                                           \
        bool implements(PartId id) const override;                                                           \
        bool partOfKind(std::uint32_t kind, PartId& id) const override;                                      \
    };
QM_DRF_RESOURCES(PrintEngineResourcesGen1)
QM_DRF_RESOURCES(PrintEngineResourcesGen2)
QM_DRF_RESOURCES(PrintEngineResourcesGen3)
QM_DRF_RESOURCES(PrintEngineResourcesGen4)
#undef QM_DRF_RESOURCES

// The resource set of a print-engine generation (1-4); nullptr (status 12) otherwise.
std::unique_ptr<PrintEngineResourcesImpl> createPrintEngineResources(std::uint32_t generation);

// Fills a fresh set from the records of one mode of a print-engine library.
int readResourceSet(const LibraryFactory& library, const PrintModeInfo& mode, PrintEngineResourcesImpl& set);
// Copies the parts of a set into the records of one mode (shared records change for every mode sharing them).
int writeResourceSet(const LibraryFactory& library, const PrintModeInfo& mode,
                     const PrintEngineResourcesImpl& set);

} // namespace drf
