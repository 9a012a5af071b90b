#include "drf/PrintEngineResources.h"

#include "drf/LibraryFactory.h"
#include "drf/PrintModeInfo.h"
#include "drf/Status.h"

#include <algorithm>
#include <vector>

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

void PrintEngineResourcesImpl::release() {
    for (auto& p : parts_)
        p.reset();
    clear();
}

// The base holds no part of any kind.
#define QM_DRF_BASE_PAIR(Kind)                                                                               \
    void PrintEngineResourcesImpl::set##Kind(std::unique_ptr<ResourcePart>) {}                               \
    ResourcePart* PrintEngineResourcesImpl::get##Kind() const {                                              \
        return nullptr;                                                                                      \
    }
QM_DRF_BASE_PAIR(ConfigurationFile)
QM_DRF_BASE_PAIR(ResolutionsFile)
QM_DRF_BASE_PAIR(ImageEnhancementFile)
QM_DRF_BASE_PAIR(ColorsFile)
QM_DRF_BASE_PAIR(PrintPreviewFile)
QM_DRF_BASE_PAIR(TrackingFile)
QM_DRF_BASE_PAIR(MarkingFile)
QM_DRF_BASE_PAIR(Marking2File)
QM_DRF_BASE_PAIR(FeaturesFile)
QM_DRF_BASE_PAIR(DriveDataFile)
QM_DRF_BASE_PAIR(DriveMediaDataFile)
QM_DRF_BASE_PAIR(PrintModeDataFile)
#undef QM_DRF_BASE_PAIR

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
QM_DRF_RESOURCES(PrintEngineResourcesGen2, 2, kGen2Kinds, || id == MarkingFile)
QM_DRF_RESOURCES(PrintEngineResourcesGen3, 3, kGen3Kinds)
QM_DRF_RESOURCES(PrintEngineResourcesGen4, 4, kGen4Kinds)
#undef QM_DRF_RESOURCES

#define QM_DRF_PAIR(Name, Kind)                                                                              \
    void Name::set##Kind(std::unique_ptr<ResourcePart> part) {                                               \
        setPart(Kind, std::move(part));                                                                      \
    }                                                                                                        \
    ResourcePart* Name::get##Kind() const {                                                                  \
        return part(Kind);                                                                                   \
    }
#define QM_DRF_FIRST_SIX_PAIRS(Name)                                                                         \
    QM_DRF_PAIR(Name, ConfigurationFile)                                                                     \
    QM_DRF_PAIR(Name, ResolutionsFile)                                                                       \
    QM_DRF_PAIR(Name, ImageEnhancementFile)                                                                  \
    QM_DRF_PAIR(Name, ColorsFile)                                                                            \
    QM_DRF_PAIR(Name, PrintPreviewFile)                                                                      \
    QM_DRF_PAIR(Name, TrackingFile)
QM_DRF_FIRST_SIX_PAIRS(PrintEngineResourcesGen1)
QM_DRF_PAIR(PrintEngineResourcesGen1, MarkingFile)
QM_DRF_FIRST_SIX_PAIRS(PrintEngineResourcesGen2)
QM_DRF_PAIR(PrintEngineResourcesGen2, MarkingFile)
QM_DRF_PAIR(PrintEngineResourcesGen2, Marking2File)
QM_DRF_FIRST_SIX_PAIRS(PrintEngineResourcesGen3)
QM_DRF_PAIR(PrintEngineResourcesGen3, Marking2File)
QM_DRF_PAIR(PrintEngineResourcesGen3, FeaturesFile)
QM_DRF_PAIR(PrintEngineResourcesGen4, DriveDataFile)
QM_DRF_PAIR(PrintEngineResourcesGen4, DriveMediaDataFile)
QM_DRF_PAIR(PrintEngineResourcesGen4, PrintModeDataFile)
#undef QM_DRF_FIRST_SIX_PAIRS
#undef QM_DRF_PAIR

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
                     const PrintEngineResourcesImpl& set, std::string* reason) {
    if (int s = checkSet(library, set); s != kOk)
        return s;
    // The bytes each part would leave in its record, worked out before anything is
    // written: kinds may share bytes, so a record read after another kind's write
    // would no longer show what the part was read from.
    struct Change {
        ResourceRecord* record;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Change> changes;
    const auto kinds = printEngineKinds(set.generation());
    for (std::uint32_t k = 0; k < kinds.size() && k < mode.kindCount(); ++k) {
        ResourceRecord* record = mode.record(k);
        PartId id{};
        if (!record || !record->hasData() || !set.partOfKind(k, id))
            continue;
        const ResourcePart* part = set.part(id);
        if (!part)
            continue;
        const auto current = record->bytes();
        std::vector<std::uint8_t> bytes(current.begin(), current.end());
        for (const auto& key : kinds[k].keys) {
            if (!copied(key))
                continue;
            if (int s = copyKey(key, part->bytes(), bytes, library.bigEndian()); s != kOk)
                return s;
        }
        if (!std::equal(bytes.begin(), bytes.end(), current.begin(), current.end()))
            changes.push_back({record, std::move(bytes)});
    }
    for (std::size_t i = 0; i < changes.size(); ++i) {
        for (std::size_t j = i + 1; j < changes.size(); ++j) {
            if (changes[i].record->overlaps(*changes[j].record)) {
                if (reason)
                    *reason = library.describeSharedEdit(*changes[i].record, *changes[j].record);
                return kCorrupt;
            }
        }
    }
    for (Change& change : changes) {
        std::copy(change.bytes.begin(), change.bytes.end(), change.record->data);
        change.record->edited = true;
    }
    return kOk;
}

} // namespace drf
