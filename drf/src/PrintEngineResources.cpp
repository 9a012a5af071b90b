#include "drf/PrintEngineResources.h"

#include "drf/LibraryFactory.h"
#include "drf/PrintModeInfo.h"
#include "drf/Status.h"

#include <algorithm>

namespace drf {

namespace {

using enum PartId;

// Part of each kind index, per generation (index = generation - 1).
constexpr PartId kGen1Kinds[] = {ConfigurationFile, ResolutionsFile, ImageEnhancementFile, ColorsFile,
                                 PrintPreviewFile,  TrackingFile,    MarkingFile};
constexpr PartId kGen2Kinds[] = {ConfigurationFile, ResolutionsFile, ImageEnhancementFile, ColorsFile,
                                 PrintPreviewFile,  TrackingFile,    Marking2File};
constexpr PartId kGen3Kinds[] = {ConfigurationFile, ResolutionsFile, ImageEnhancementFile, ColorsFile,
                                 PrintPreviewFile,  TrackingFile,    Marking2File,         FeaturesFile};
constexpr PartId kGen4Kinds[] = {DriveDataFile, DriveMediaDataFile, PrintModeDataFile};

template <std::size_t N> bool kindPart(const PartId (&table)[N], std::uint32_t kind, PartId& id) {
    if (kind >= N)
        return false;
    id = table[kind];
    return true;
}

template <std::size_t N> bool listed(const PartId (&table)[N], PartId id) {
    return std::find(std::begin(table), std::end(table), id) != std::end(table);
}

constexpr std::string_view kClassNames[] = {"PrintEngineResourcesGen1", "PrintEngineResourcesGen2",
                                            "PrintEngineResourcesGen3", "PrintEngineResourcesGen4"};

// Generation a resource set's class stands for; 0 for a class this layer does not know.
std::uint32_t generationOfClass(std::string_view className) {
    for (std::uint32_t i = 0; i < std::size(kClassNames); ++i) {
        if (kClassNames[i] == className)
            return i + 1;
    }
    return 0;
}

bool copied(const KeyDescriptor& key) {
    return key.named() || key.type == kTypeIdentity;
}

int checkSet(const LibraryFactory& library, const PrintEngineResourcesImpl& set) {
    const std::uint32_t generation = generationOfClass(set.className());
    if (generation == 0 || generation != library.generation())
        return kGenerationUnsupported;
    return kOk;
}

} // namespace

bool partIdFromName(std::string_view kindName, PartId& id) {
    for (std::size_t i = 0; i < kPartNames.size(); ++i) {
        if (kPartNames[i] == kindName) {
            id = static_cast<PartId>(i);
            return true;
        }
    }
    return false;
}

PrintEngineResourcesImpl::~PrintEngineResourcesImpl() = default;

void PrintEngineResourcesImpl::clear() {
    for (auto& p : parts_)
        p.reset();
}

void PrintEngineResourcesImpl::setPart(PartId id, std::unique_ptr<ResourcePart> part) {
    if (!implements(id))
        return;
    const auto index = static_cast<std::size_t>(id);
    if (part && part->kind().name != kPartNames[index])
        return;
    parts_[index] = std::move(part);
}

ResourcePart* PrintEngineResourcesImpl::part(PartId id) const {
    return implements(id) ? parts_[static_cast<std::size_t>(id)].get() : nullptr;
}

ResourcePart* PrintEngineResourcesImpl::part(std::string_view kindName) const {
    PartId id{};
    return partIdFromName(kindName, id) ? part(id) : nullptr;
}

#define QM_DRF_RESOURCES(Name, Gen, Kinds, ...)                                                              \
    std::string_view Name::className() const {                                                               \
        return kClassNames[Gen - 1];                                                                         \
    }                                                                                                        \
    std::uint32_t Name::generation() const {                                                                 \
        return Gen;                                                                                          \
    }                                                                                                        \
    bool Name::implements(PartId id) const {                                                                 \
        return listed(Kinds, id) __VA_ARGS__;                                                                \
    }                                                                                                        \
    bool Name::partOfKind(std::uint32_t kind, PartId& id) const {                                            \
        return kindPart(Kinds, kind, id);                                                                    \
    }
QM_DRF_RESOURCES(PrintEngineResourcesGen1, 1, kGen1Kinds)
// Generation 2 keeps a MarkingFile pair for its callers but never fills it.
QM_DRF_RESOURCES(PrintEngineResourcesGen2, 2, kGen2Kinds, || id == MarkingFile)
QM_DRF_RESOURCES(PrintEngineResourcesGen3, 3, kGen3Kinds)
QM_DRF_RESOURCES(PrintEngineResourcesGen4, 4, kGen4Kinds)
#undef QM_DRF_RESOURCES

std::unique_ptr<PrintEngineResourcesImpl> createPrintEngineResources(std::uint32_t generation) {
    switch (generation) {
    case 1:
        return std::make_unique<PrintEngineResourcesGen1>();
    case 2:
        return std::make_unique<PrintEngineResourcesGen2>();
    case 3:
        return std::make_unique<PrintEngineResourcesGen3>();
    case 4:
        return std::make_unique<PrintEngineResourcesGen4>();
    default:
        return nullptr;
    }
}

int readResourceSet(const LibraryFactory& library, const PrintModeInfo& mode, PrintEngineResourcesImpl& set) {
    if (int s = checkSet(library, set); s != kOk)
        return s;
    const auto kinds = printEngineKinds(set.generation());
    for (std::uint32_t k = 0; k < kinds.size() && k < mode.kindCount(); ++k) {
        const ResourceRecord* record = mode.record(k);
        PartId id{};
        if (!record || !record->hasData() || !set.partOfKind(k, id))
            continue;
        auto part = std::make_unique<ResourcePart>(kinds[k]);
        int status = kOk;
        for (const auto& key : kinds[k].keys) {
            if (!copied(key))
                continue;
            status = copyKey(key, record->bytes(), part->bytes());
            if (status != kOk)
                break;
        }
        set.setPart(id, std::move(part));
        if (status != kOk)
            return status;
    }
    return kOk;
}

int writeResourceSet(const LibraryFactory& library, const PrintModeInfo& mode,
                     const PrintEngineResourcesImpl& set) {
    if (int s = checkSet(library, set); s != kOk)
        return s;
    const auto kinds = printEngineKinds(set.generation());
    for (std::uint32_t k = 0; k < kinds.size() && k < mode.kindCount(); ++k) {
        const ResourceRecord* record = mode.record(k);
        PartId id{};
        if (!record || !record->hasData() || !set.partOfKind(k, id))
            continue;
        const ResourcePart* part = set.part(id);
        if (!part)
            continue;
        for (const auto& key : kinds[k].keys) {
            if (!copied(key))
                continue;
            if (int s = copyKey(key, part->bytes(), record->bytes(), library.bigEndian()); s != kOk)
                return s;
        }
    }
    return kOk;
}

} // namespace drf
