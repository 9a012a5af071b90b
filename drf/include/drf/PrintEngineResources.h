// Resource sets: the parameters of one print-engine print mode, one heap part
// per kind of the section's generation. The editors read and write these.
#pragma once

#include "drf/ResourceRecord.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
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

// The print engine's resource-set interface. Its operations come in the order
// the engine declares them: class name, clear, release, then one set/get pair
// per part. The base ignores every part it is handed and holds none; each
// generation overrides the pairs of its own kinds. The named pairs are thin
// members over the generic access by PartId below, which table-driven code
// (the editor values, the tools) uses.
class PrintEngineResourcesImpl {
public:
    virtual ~PrintEngineResourcesImpl();
    PrintEngineResourcesImpl(const PrintEngineResourcesImpl&) = delete;
    PrintEngineResourcesImpl& operator=(const PrintEngineResourcesImpl&) = delete;

    // "PrintEngineResourcesGen1" to "PrintEngineResourcesGen4".
    virtual std::string_view className() const = 0;
    // Forgets every part. The set owns its parts, so forgetting frees them too.
    virtual void clear();
    // Frees every part, then clears.
    virtual void release();

    virtual void setConfigurationFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getConfigurationFile() const;
    virtual void setResolutionsFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getResolutionsFile() const;
    virtual void setImageEnhancementFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getImageEnhancementFile() const;
    virtual void setColorsFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getColorsFile() const;
    virtual void setPrintPreviewFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getPrintPreviewFile() const;
    virtual void setTrackingFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getTrackingFile() const;
    virtual void setMarkingFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getMarkingFile() const;
    virtual void setMarking2File(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getMarking2File() const;
    virtual void setFeaturesFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getFeaturesFile() const;
    virtual void setDriveDataFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getDriveDataFile() const;
    virtual void setDriveMediaDataFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getDriveMediaDataFile() const;
    virtual void setPrintModeDataFile(std::unique_ptr<ResourcePart> part);
    virtual ResourcePart* getPrintModeDataFile() const;

    // ---- access by part ----
    // Print-engine generation whose kinds this set holds.
    virtual std::uint32_t generation() const = 0;
    // Whether this generation has a set/get pair for the part.
    virtual bool implements(PartId id) const = 0;
    // The part that stands for kind index k of the generation.
    virtual bool partOfKind(std::uint32_t kind, PartId& id) const = 0;

    // Ignored (the part is dropped) when the generation has no such part or the part
    // is of another kind. A null part removes the one held.
    void setPart(PartId id, std::unique_ptr<ResourcePart> part);
    // nullptr when the set has no such part.
    ResourcePart* part(PartId id) const;
    ResourcePart* part(std::string_view kindName) const;

protected:
    PrintEngineResourcesImpl() = default;

private:
    std::array<std::unique_ptr<ResourcePart>, kPartCount> parts_;
};

#define QM_DRF_PART_PAIR(Kind)                                                                               \
    void set##Kind(std::unique_ptr<ResourcePart> part) override;                                             \
    ResourcePart* get##Kind() const override;
#define QM_DRF_RESOURCES_COMMON                                                                              \
    std::string_view className() const override;                                                             \
    std::uint32_t generation() const override;                                                               \
    bool implements(PartId id) const override;                                                               \
    bool partOfKind(std::uint32_t kind, PartId& id) const override;
#define QM_DRF_FIRST_SIX_PAIRS                                                                               \
    QM_DRF_PART_PAIR(ConfigurationFile)                                                                      \
    QM_DRF_PART_PAIR(ResolutionsFile)                                                                        \
    QM_DRF_PART_PAIR(ImageEnhancementFile)                                                                   \
    QM_DRF_PART_PAIR(ColorsFile)                                                                             \
    QM_DRF_PART_PAIR(PrintPreviewFile)                                                                       \
    QM_DRF_PART_PAIR(TrackingFile)

class PrintEngineResourcesGen1 final : public PrintEngineResourcesImpl {
public:
    QM_DRF_RESOURCES_COMMON
    QM_DRF_FIRST_SIX_PAIRS
    QM_DRF_PART_PAIR(MarkingFile)
};

// Keeps a MarkingFile pair for its callers but never fills it: its marking values
// live in Marking2File.
class PrintEngineResourcesGen2 final : public PrintEngineResourcesImpl {
public:
    QM_DRF_RESOURCES_COMMON
    QM_DRF_FIRST_SIX_PAIRS
    QM_DRF_PART_PAIR(MarkingFile)
    QM_DRF_PART_PAIR(Marking2File)
};

class PrintEngineResourcesGen3 final : public PrintEngineResourcesImpl {
public:
    QM_DRF_RESOURCES_COMMON
    QM_DRF_FIRST_SIX_PAIRS
    QM_DRF_PART_PAIR(Marking2File)
    QM_DRF_PART_PAIR(FeaturesFile)
};

class PrintEngineResourcesGen4 final : public PrintEngineResourcesImpl {
public:
    QM_DRF_RESOURCES_COMMON
    QM_DRF_PART_PAIR(DriveDataFile)
    QM_DRF_PART_PAIR(DriveMediaDataFile)
    QM_DRF_PART_PAIR(PrintModeDataFile)
};
#undef QM_DRF_FIRST_SIX_PAIRS
#undef QM_DRF_RESOURCES_COMMON
#undef QM_DRF_PART_PAIR

// The resource set of a print-engine generation (1-4); nullptr (status 12) otherwise.
std::unique_ptr<PrintEngineResourcesImpl> createPrintEngineResources(std::uint32_t generation);

// Fills a fresh set from the records of one mode of a print-engine library.
int readResourceSet(const LibraryFactory& library, const PrintModeInfo& mode, PrintEngineResourcesImpl& set);
// Copies the parts of a set into the records of one mode (shared records change for
// every mode sharing them). A part whose values are those of its record is not
// written, so an unchanged kind never overwrites bytes it shares with another
// kind. When two changed parts lie over common bytes nothing is written: status
// 10, and `reason` (when given) names the record.
int writeResourceSet(const LibraryFactory& library, const PrintModeInfo& mode,
                     const PrintEngineResourcesImpl& set, std::string* reason = nullptr);

} // namespace drf
