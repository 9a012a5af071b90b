#include "drf/LibraryFactory.h"

#include "drf/ByteOrder.h"
#include "drf/Status.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace drf {

namespace {

constexpr std::uint32_t fieldOffset(SectionHeaderField f) {
    return kSectionHeaderFields[f].offset;
}
constexpr std::uint32_t entryOffset(EntryField f) {
    return kEntryFields[f].offset;
}

template <typename Mode> std::unique_ptr<PrintModeInfo> makeMode(const PrintModeKey& key) {
    return std::make_unique<Mode>(key);
}

} // namespace

// ---- LibraryFactory ---------------------------------------------------------

LibraryFactory::LibraryFactory(int sectionType, std::uint32_t generation, void* context, bool bigEndian)
    : context_(context), sectionType_(sectionType), bigEndian_(bigEndian), generation_(generation) {}

LibraryFactory::~LibraryFactory() = default;

bool LibraryFactory::isValid() const {
    return true;
}
std::string_view LibraryFactory::qualityName(std::uint16_t value) const {
    return qualityValueToName(value);
}
std::uint16_t LibraryFactory::qualityValue(std::string_view name) const {
    return qualityNameToValue(name);
}

int LibraryFactory::takeSectionHeader(std::span<const std::uint8_t> header) {
    if (header.size() < kSectionHeaderSize)
        return kHeaderCheckFailed;
    const std::uint8_t* h = header.data();
    const std::uint16_t id = readLe<std::uint16_t>(h + fieldOffset(kShDriveId));
    const std::uint16_t count = readLe<std::uint16_t>(h + fieldOffset(kShEntryCount));
    const std::uint16_t size = readLe<std::uint16_t>(h + fieldOffset(kShEntrySize));
    const std::uint16_t headerSize = readLe<std::uint16_t>(h + fieldOffset(kShHeaderSize));
    const std::uint32_t gen = readLe<std::uint32_t>(h + fieldOffset(kShGeneration));
    if (!isValidId(id) || size != entrySize() || headerSize != sectionHeaderSize(count))
        return kHeaderCheckFailed;
    // The directory chose this factory by generation; a section claiming another one
    // would be written back under a generation whose layout it does not have.
    if (gen != generation())
        return kHeaderCheckFailed;
    setDriveId(id);
    setSectionWord4(readLe<std::uint32_t>(h + fieldOffset(kShWord4)));
    std::copy_n(h, kSectionHeaderSize, storage().loadedHeader_.begin());
    return kOk;
}

void LibraryFactory::copySectionHeader(std::span<std::uint8_t, kSectionHeaderSize> out) const {
    std::copy(storage().loadedHeader_.begin(), storage().loadedHeader_.end(), out.begin());
}

std::uint16_t LibraryFactory::entryCountOf(std::span<const std::uint8_t> header) const {
    if (header.size() < kSectionHeaderSize)
        return 0;
    return readLe<std::uint16_t>(header.data() + fieldOffset(kShEntryCount));
}

std::uint32_t LibraryFactory::identitySize() const {
    return kRecordIdentitySize;
}
bool LibraryFactory::bigEndian() const {
    return bigEndian_;
}
bool LibraryFactory::isValidId(std::uint32_t id) const {
    return id >= 101 && id <= 65535;
}
bool LibraryFactory::isValidShortId(std::uint32_t id) const {
    return id >= 101 && id <= 4095;
}
void LibraryFactory::setDriveId(std::uint16_t id) {
    driveId_ = id;
}
std::uint16_t LibraryFactory::driveId() const {
    return driveId_;
}
int LibraryFactory::sectionType() const {
    return sectionType_;
}
void LibraryFactory::setGeneration(std::uint32_t generation) {
    generation_ = generation;
}
std::uint32_t LibraryFactory::generation() const {
    return generation_;
}
void LibraryFactory::setSectionWord4(std::uint32_t word) {
    sectionWord4_ = word;
}
std::uint32_t LibraryFactory::sectionWord4() const {
    return sectionWord4_;
}
void* LibraryFactory::context() const {
    return context_;
}

PrintModeInfo& LibraryFactory::addPrintMode(std::unique_ptr<PrintModeInfo> mode) {
    auto& modes = storage().modes_;
    modes.push_back(std::move(mode));
    return *modes.back();
}

const ResourceFileKind* LibraryFactory::kind(std::uint32_t k) const {
    const LibraryLayout* layout = findLibraryLayout(sectionType(), generation());
    return layout && k < layout->kinds.size() ? &layout->kinds[k] : nullptr;
}

int LibraryFactory::bindRecord(std::uint32_t kind, std::span<std::uint8_t> recordArea, std::uint32_t offset,
                               ResourceRecord*& record) {
    const std::uint32_t size = recordSize(kind);
    if (size == 0 || static_cast<std::uint64_t>(offset) + size > recordArea.size())
        return kCorrupt;
    std::uint8_t* data = recordArea.data() + offset;
    auto& records = storage().records_;
    ResourceRecord* first = nullptr;
    for (auto it = records.lower_bound({data, 0}); it != records.end() && it->first.first == data; ++it) {
        if (it->first.second == kind) {
            record = it->second.get();
            return kOk;
        }
        if (!it->second->sharedWith)
            first = it->second.get();
    }
    // A record of another size at the same place would let one kind's keys run
    // past the other's bytes.
    if (first && first->size != size)
        return kCorrupt;
    auto created = std::make_unique<ResourceRecord>();
    created->data = data;
    created->size = size;
    created->kindIndex = kind;
    created->loaded = true;
    created->loadedOffset = offset;
    created->sharedWith = first;
    record = created.get();
    records.emplace(std::make_pair(data, kind), std::move(created));
    return kOk;
}

int LibraryFactory::parseSection(std::span<std::uint8_t> section) {
    if (section.size() <= 1) {
        storage().emptySection_ = true;
        return kOk;
    }
    if (section.size() < kSectionHeaderSize)
        return kCorrupt;
    if (int s = takeSectionHeader(section.first(kSectionHeaderSize)); s != kOk)
        return s;
    const std::uint32_t count = entryCountOf(section.first(kSectionHeaderSize));
    const std::uint64_t tableEnd = sectionHeaderSize(count);
    if (tableEnd > section.size())
        return kCorrupt;
    std::span<std::uint8_t> recordArea = section.subspan(static_cast<std::size_t>(tableEnd));
    const std::uint32_t size = entrySize();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::unique_ptr<PrintModeInfo> mode;
        auto entry = section.subspan(kSectionHeaderSize + static_cast<std::size_t>(i) * size, size);
        if (int s = readEntry(entry, recordArea, mode); s != kOk)
            return s;
        addPrintMode(std::move(mode));
    }
    return kOk;
}

int LibraryFactory::planSection(std::uint64_t& size) {
    const auto& modes = printModes();
    if (modes.size() > std::numeric_limits<std::uint16_t>::max())
        return kCountMismatch;
    for (const auto& [where, record] : storage().records_)
        record->placement.reset();
    // A section that was absent stays absent: a bare header would carry no valid drive
    // identifier and the file would no longer load.
    if (storage().emptySection_ && modes.empty()) {
        size = 0;
        return kOk;
    }
    size = sectionHeaderSize(static_cast<std::uint32_t>(modes.size()));
    for (const auto& mode : modes) {
        for (std::uint32_t k = 0; k < mode->kindCount(); ++k) {
            ResourceRecord* bound = mode->record(k);
            if (!bound || bound->size == 0)
                continue;
            ResourceRecord& record = bound->placed();
            if (!record.owner)
                record.owner = RecordOwner{mode.get(), k};
            if (record.owner->mode == mode.get() && record.owner->kind == k)
                size += record.size;
        }
    }
    return size > std::numeric_limits<std::uint32_t>::max() ? kOutOfMemory : kOk;
}

int LibraryFactory::serializeSection(std::span<std::uint8_t> out) {
    const auto& modes = printModes();
    if (storage().emptySection_ && modes.empty())
        return out.empty() ? kOk : kCountMismatch;
    const auto count = static_cast<std::uint32_t>(modes.size());
    const std::uint64_t expectedHeader = kSectionHeaderSize + static_cast<std::uint64_t>(count) * entrySize();
    if (out.size() < expectedHeader)
        return kCountMismatch;
    const std::uint32_t headerSize = writeSectionHeader(count, out);
    if (headerSize != expectedHeader)
        return kCountMismatch;

    std::uint64_t cursor = 0;
    for (const auto& mode : modes) {
        for (std::uint32_t k = 0; k < mode->kindCount(); ++k) {
            ResourceRecord* bound = mode->record(k);
            if (!bound)
                return kNoData;
            if (bound->size == 0)
                continue;
            ResourceRecord* record = &bound->placed();
            if (!record->owner || record->owner->mode != mode.get() || record->owner->kind != k)
                continue;
            if (record->placement && *record->placement != cursor)
                return kCannotOpen;
            if (!record->data)
                return kNoData;
            if (!record->loaded)
                return kNotLoaded;
            if (record->size % 4 != 0)
                return kOutOfMemory;
            if (headerSize + cursor + record->size > out.size())
                return kCountMismatch;
            std::memcpy(out.data() + headerSize + cursor, record->data, record->size);
            record->placement = static_cast<std::uint32_t>(cursor);
            cursor += record->size;
        }
    }
    if (headerSize + cursor != out.size())
        return kCountMismatch;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto entry = out.subspan(kSectionHeaderSize + static_cast<std::size_t>(i) * entrySize(), entrySize());
        if (int s = writeEntry(*modes[i], entry); s != kOk)
            return s;
    }
    return kOk;
}

std::string LibraryFactory::describeSharedEdit(const ResourceRecord& a, const ResourceRecord& b) const {
    const int type = sectionType();
    const std::string section =
        " of section " + std::to_string(type) + " (" +
        std::string(type >= 1 && type <= 5 ? kFactoryNames[static_cast<std::size_t>(type - 1)] : "unknown") +
        ")";
    const std::string first(kindName(a.kindIndex));
    const std::string second(kindName(b.kindIndex));
    if (a.data == b.data)
        return "the record at offset " + std::to_string(a.loadedOffset) + section + " is shared by " + first +
               " and " + second + ", and both were changed";
    return "the records at offsets " + std::to_string(a.loadedOffset) + " (" + first + ") and " +
           std::to_string(b.loadedOffset) + " (" + second + ")" + section + " overlap, and both were changed";
}

int LibraryFactory::checkSharedEdits(std::string& reason) const {
    std::vector<const ResourceRecord*> edited;
    for (const auto& [where, record] : storage().records_) {
        if (record->edited)
            edited.push_back(record.get());
    }
    for (std::size_t i = 0; i < edited.size(); ++i) {
        for (std::size_t j = i + 1; j < edited.size(); ++j) {
            if (edited[i]->overlaps(*edited[j])) {
                reason = describeSharedEdit(*edited[i], *edited[j]);
                return kCorrupt;
            }
        }
    }
    return kOk;
}

void LibraryFactory::markSaved() {
    for (const auto& [where, record] : storage().records_)
        record->edited = false;
}

// ---- GenerationFactory -------------------------------------------------------

GenerationFactory::GenerationFactory(const LibraryLayout& layout, ModeMaker makeMode, void* context,
                                     bool bigEndian)
    : LibraryFactory(layout.sectionType, layout.generation, context, bigEndian), layout_(&layout),
      makeMode_(makeMode) {}

int GenerationFactory::readEntry(std::span<const std::uint8_t> entry, std::span<std::uint8_t> recordArea,
                                 std::unique_ptr<PrintModeInfo>& mode) {
    if (entry.size() < layout_->entrySize)
        return kCorrupt;
    const std::uint8_t* e = entry.data();
    // The entry's own drive identifier is ignored: a mode belongs to its section's drive.
    PrintModeKey key(driveId(), readLe<std::uint16_t>(e + entryOffset(kEnQualityId)),
                     readLe<std::uint16_t>(e + entryOffset(kEnMediaId)),
                     readLe<std::uint16_t>(e + entryOffset(kEnAvailability)));
    auto created = createPrintMode(key);
    for (std::uint32_t k = 0; k < layout_->kinds.size(); ++k) {
        const std::uint32_t offset = readLe<std::uint32_t>(e + 4u * layout_->entrySlots[k]);
        ResourceRecord* record = emptyRecord();
        if (offset != kNoRecord) {
            if (int s = bindRecord(k, recordArea, offset, record); s != kOk)
                return s;
        }
        created->setRecord(k, record);
    }
    mode = std::move(created);
    return kOk;
}

std::unique_ptr<PrintModeInfo> GenerationFactory::createPrintMode(const PrintModeKey& key) const {
    return makeMode_(key);
}

std::uint32_t GenerationFactory::kindCount() const {
    return static_cast<std::uint32_t>(layout_->kinds.size());
}

std::string_view GenerationFactory::kindName(std::uint32_t kind) const {
    return kind < layout_->kinds.size() ? layout_->kinds[kind].name : std::string_view{};
}

std::span<const KeyDescriptor> GenerationFactory::keyTable(const ResourceRecord& record) const {
    return record.kindIndex < layout_->kinds.size() ? layout_->kinds[record.kindIndex].keys
                                                    : std::span<const KeyDescriptor>{};
}

std::uint32_t GenerationFactory::keyCount(const ResourceRecord& record) const {
    return static_cast<std::uint32_t>(keyTable(record).size());
}

std::uint32_t GenerationFactory::sectionHeaderSize(std::uint32_t entries) const {
    return kSectionHeaderSize + entries * layout_->entrySize;
}

std::uint32_t GenerationFactory::entrySize() const {
    return layout_->entrySize;
}

std::uint32_t GenerationFactory::recordSize(std::uint32_t kind) const {
    if (kind >= layout_->kinds.size() || layout_->kinds[kind].kindIndex != kind)
        return 0;
    return layout_->kinds[kind].recordSize;
}

std::uint32_t GenerationFactory::writeSectionHeader(std::uint32_t entries,
                                                    std::span<std::uint8_t> out) const {
    const std::uint32_t size = sectionHeaderSize(entries);
    if (out.size() < kSectionHeaderSize)
        return 0;
    std::uint8_t* h = out.data();
    std::fill_n(h, kSectionHeaderSize, std::uint8_t{0});
    writeLe(h + fieldOffset(kShGeneration), generation());
    writeLe(h + fieldOffset(kShWord4), sectionWord4());
    writeLe(h + fieldOffset(kShDriveId), driveId());
    std::copy_n(kNoticeText.begin(), std::min(kNoticeText.size(), kNoticeSize - 1),
                h + fieldOffset(kShNotice));
    writeLe(h + fieldOffset(kShEntryCount), static_cast<std::uint16_t>(entries));
    writeLe(h + fieldOffset(kShEntrySize), static_cast<std::uint16_t>(layout_->entrySize));
    writeLe(h + fieldOffset(kShHeaderSize), static_cast<std::uint16_t>(size));
    return size;
}

int GenerationFactory::writeEntry(const PrintModeInfo& mode, std::span<std::uint8_t> out) const {
    if (out.size() < layout_->entrySize)
        return kCountMismatch;
    std::uint8_t* e = out.data();
    std::fill_n(e, layout_->entrySize, std::uint8_t{0});
    const PrintModeKey& key = mode.key();
    writeLe(e + entryOffset(kEnDriveId), key.driveId);
    writeLe(e + entryOffset(kEnMediaId), key.mediaId);
    writeLe(e + entryOffset(kEnQualityId), key.qualityId);
    writeLe(e + entryOffset(kEnAvailability), key.availability);
    for (std::uint32_t k = 0; k < layout_->kinds.size(); ++k) {
        const ResourceRecord* record = mode.record(k);
        if (!record)
            return kNoData;
        std::uint32_t offset = kNoRecord;
        if (record->size != 0) {
            const ResourceRecord& placed = record->placed();
            if (!placed.placement)
                return kNotLoaded;
            offset = *placed.placement;
        }
        writeLe(e + 4u * layout_->entrySlots[k], offset);
    }
    return kOk;
}

#define QM_DRF_GENERATION_FACTORY(Name, Type, Gen, Mode)                                                     \
    Name::Name(void* context, bool bigEndian)                                                                \
        : GenerationFactory(*findLibraryLayout(Type, Gen), &makeMode<Mode>, context, bigEndian) {}
QM_DRF_GENERATION_FACTORY(PrintEngineFactoryGen1, 5, 1, PrintEnginePrintModeGen1)
QM_DRF_GENERATION_FACTORY(PrintEngineFactoryGen2, 5, 2, PrintEnginePrintModeGen2)
QM_DRF_GENERATION_FACTORY(PrintEngineFactoryGen3, 5, 3, PrintEnginePrintModeGen3)
QM_DRF_GENERATION_FACTORY(PrintEngineFactoryGen4, 5, 4, PrintEnginePrintModeGen4)
QM_DRF_GENERATION_FACTORY(VarmelonFactoryGen1, 4, 1, VarmelonPrintModeGen1)
QM_DRF_GENERATION_FACTORY(QuessaFactoryGen1, 3, 1, QuessaPrintModeGen1)
QM_DRF_GENERATION_FACTORY(LorvaneFactoryGen1, 2, 1, LorvanePrintModeGen1)
QM_DRF_GENERATION_FACTORY(PendritheFactoryGen1, 1, 1, PendrithePrintModeGen1)
#undef QM_DRF_GENERATION_FACTORY

// ---- ForwardingFactory -------------------------------------------------------

ForwardingFactory::ForwardingFactory(int sectionType, std::uint32_t generation, void* context, bool bigEndian,
                                     std::unique_ptr<LibraryFactory> inner)
    : LibraryFactory(sectionType, generation, context, bigEndian), inner_(std::move(inner)) {
    if (inner_)
        delegateStorageTo(inner_.get());
}

int ForwardingFactory::readEntry(std::span<const std::uint8_t> entry, std::span<std::uint8_t> recordArea,
                                 std::unique_ptr<PrintModeInfo>& mode) {
    return inner_ ? inner_->readEntry(entry, recordArea, mode) : kGenerationUnsupported;
}
std::unique_ptr<PrintModeInfo> ForwardingFactory::createPrintMode(const PrintModeKey& key) const {
    return inner_ ? inner_->createPrintMode(key) : nullptr;
}
std::uint32_t ForwardingFactory::kindCount() const {
    return inner_ ? inner_->kindCount() : 0;
}
std::string_view ForwardingFactory::kindName(std::uint32_t kind) const {
    return inner_ ? inner_->kindName(kind) : std::string_view{};
}
std::span<const KeyDescriptor> ForwardingFactory::keyTable(const ResourceRecord& record) const {
    return inner_ ? inner_->keyTable(record) : std::span<const KeyDescriptor>{};
}
std::uint32_t ForwardingFactory::keyCount(const ResourceRecord& record) const {
    return inner_ ? inner_->keyCount(record) : 0;
}
bool ForwardingFactory::isValid() const {
    return inner_ != nullptr;
}
std::string_view ForwardingFactory::qualityName(std::uint16_t value) const {
    return inner_ ? inner_->qualityName(value) : LibraryFactory::qualityName(value);
}
std::uint16_t ForwardingFactory::qualityValue(std::string_view name) const {
    return inner_ ? inner_->qualityValue(name) : LibraryFactory::qualityValue(name);
}
int ForwardingFactory::takeSectionHeader(std::span<const std::uint8_t> header) {
    return inner_ ? inner_->takeSectionHeader(header) : kGenerationUnsupported;
}
void ForwardingFactory::copySectionHeader(std::span<std::uint8_t, kSectionHeaderSize> out) const {
    if (inner_)
        inner_->copySectionHeader(out);
    else
        LibraryFactory::copySectionHeader(out);
}
std::uint16_t ForwardingFactory::entryCountOf(std::span<const std::uint8_t> header) const {
    return inner_ ? inner_->entryCountOf(header) : LibraryFactory::entryCountOf(header);
}
std::uint32_t ForwardingFactory::sectionHeaderSize(std::uint32_t entries) const {
    return inner_ ? inner_->sectionHeaderSize(entries) : kSectionHeaderSize;
}
std::uint32_t ForwardingFactory::entrySize() const {
    return inner_ ? inner_->entrySize() : 0;
}
std::uint32_t ForwardingFactory::recordSize(std::uint32_t kind) const {
    return inner_ ? inner_->recordSize(kind) : 0;
}
std::uint32_t ForwardingFactory::identitySize() const {
    return inner_ ? inner_->identitySize() : LibraryFactory::identitySize();
}
std::uint32_t ForwardingFactory::writeSectionHeader(std::uint32_t entries,
                                                    std::span<std::uint8_t> out) const {
    return inner_ ? inner_->writeSectionHeader(entries, out) : 0;
}
int ForwardingFactory::writeEntry(const PrintModeInfo& mode, std::span<std::uint8_t> out) const {
    return inner_ ? inner_->writeEntry(mode, out) : kGenerationUnsupported;
}
bool ForwardingFactory::bigEndian() const {
    return inner_ ? inner_->bigEndian() : LibraryFactory::bigEndian();
}
bool ForwardingFactory::isValidId(std::uint32_t id) const {
    return inner_ ? inner_->isValidId(id) : LibraryFactory::isValidId(id);
}
bool ForwardingFactory::isValidShortId(std::uint32_t id) const {
    return inner_ ? inner_->isValidShortId(id) : LibraryFactory::isValidShortId(id);
}
void ForwardingFactory::setDriveId(std::uint16_t id) {
    if (inner_)
        inner_->setDriveId(id);
    else
        LibraryFactory::setDriveId(id);
}
std::uint16_t ForwardingFactory::driveId() const {
    return inner_ ? inner_->driveId() : LibraryFactory::driveId();
}
int ForwardingFactory::sectionType() const {
    return inner_ ? inner_->sectionType() : LibraryFactory::sectionType();
}
void ForwardingFactory::setGeneration(std::uint32_t generation) {
    if (inner_)
        inner_->setGeneration(generation);
    else
        LibraryFactory::setGeneration(generation);
}
std::uint32_t ForwardingFactory::generation() const {
    return inner_ ? inner_->generation() : LibraryFactory::generation();
}
void ForwardingFactory::setSectionWord4(std::uint32_t word) {
    if (inner_)
        inner_->setSectionWord4(word);
    else
        LibraryFactory::setSectionWord4(word);
}
std::uint32_t ForwardingFactory::sectionWord4() const {
    return inner_ ? inner_->sectionWord4() : LibraryFactory::sectionWord4();
}
void* ForwardingFactory::context() const {
    return inner_ ? inner_->context() : LibraryFactory::context();
}

namespace {

template <typename Gen> std::unique_ptr<LibraryFactory> makeGeneration(void* context, bool bigEndian) {
    return std::make_unique<Gen>(context, bigEndian);
}

std::unique_ptr<LibraryFactory> printEngineGeneration(std::uint32_t generation, void* context,
                                                      bool bigEndian) {
    switch (generation) {
    case 1:
        return makeGeneration<PrintEngineFactoryGen1>(context, bigEndian);
    case 2:
        return makeGeneration<PrintEngineFactoryGen2>(context, bigEndian);
    case 3:
        return makeGeneration<PrintEngineFactoryGen3>(context, bigEndian);
    case 4:
        return makeGeneration<PrintEngineFactoryGen4>(context, bigEndian);
    default:
        return nullptr;
    }
}

template <typename Gen>
std::unique_ptr<LibraryFactory> firstGenerationOnly(std::uint32_t generation, void* context, bool bigEndian) {
    return generation == 1 ? makeGeneration<Gen>(context, bigEndian) : nullptr;
}

} // namespace

PrintEngineFactory::PrintEngineFactory(int sectionType, std::uint32_t generation, void* context,
                                       bool bigEndian)
    : ForwardingFactory(sectionType, generation, context, bigEndian,
                        printEngineGeneration(generation, context, bigEndian)) {}

#define QM_DRF_LIBRARY_FACTORY(Name, Gen)                                                                    \
    Name::Name(int sectionType, std::uint32_t generation, void* context, bool bigEndian)                     \
        : ForwardingFactory(sectionType, generation, context, bigEndian,                                     \
                            firstGenerationOnly<Gen>(generation, context, bigEndian)) {}
QM_DRF_LIBRARY_FACTORY(VarmelonFactory, VarmelonFactoryGen1)
QM_DRF_LIBRARY_FACTORY(QuessaFactory, QuessaFactoryGen1)
QM_DRF_LIBRARY_FACTORY(LorvaneFactory, LorvaneFactoryGen1)
QM_DRF_LIBRARY_FACTORY(PendritheFactory, PendritheFactoryGen1)
#undef QM_DRF_LIBRARY_FACTORY

std::unique_ptr<LibraryFactory> createLibraryFactory(int sectionType, std::uint32_t generation, void* context,
                                                     bool bigEndian) {
    switch (sectionType) {
    case 1:
        return std::make_unique<PendritheFactory>(sectionType, generation, context, bigEndian);
    case 2:
        return std::make_unique<LorvaneFactory>(sectionType, generation, context, bigEndian);
    case 3:
        return std::make_unique<QuessaFactory>(sectionType, generation, context, bigEndian);
    case 4:
        return std::make_unique<VarmelonFactory>(sectionType, generation, context, bigEndian);
    case 5:
        return std::make_unique<PrintEngineFactory>(sectionType, generation, context, bigEndian);
    default:
        return nullptr;
    }
}

} // namespace drf
