// Library factories: one per section type and content generation. A factory
// knows its kinds, entry layout and section header, owns the section's print
// modes and records, and turns a section into objects and back.
#pragma once

#include "drf/KeyTables.h"
#include "drf/PrintModeInfo.h"
#include "drf/ResourceRecord.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace drf {

inline constexpr std::uint32_t kSectionHeaderSize = 144;
inline constexpr std::uint32_t kNoRecord = 0xFFFFFFFF;
inline constexpr std::size_t kNoticeSize = 128;
// Written into the notice fields of the header and of every section on save.
inline constexpr std::string_view kNoticeText = "Quillmark tool suite drive resource file";

struct FieldSpec {
    std::string_view name;
    std::uint32_t offset;
    std::uint32_t size;
};

// LibrarySectionHeader, in file order.
enum SectionHeaderField {
    kShGeneration,
    kShWord4,
    kShDriveId,
    kShNotice,
    kShEntryCount,
    kShEntrySize,
    kShHeaderSize
};
inline constexpr std::array<FieldSpec, 7> kSectionHeaderFields{{
    {"generation", 0, 4},
    {"sectionWord4", 4, 4},
    {"driveId", 8, 2},
    {"noticeText", 10, 128},
    {"entryCount", 138, 2},
    {"entrySize", 140, 2},
    {"headerSize", 142, 2},
}};

// The fixed start of every PrintModeEntry; the record offset slots follow.
enum EntryField { kEnDriveId, kEnMediaId, kEnQualityId, kEnZero, kEnAvailability, kEnPadding };
inline constexpr std::array<FieldSpec, 6> kEntryFields{{
    {"driveId", 0, 2},
    {"mediaId", 2, 2},
    {"qualityId", 4, 2},
    {"zero", 6, 2},
    {"availability", 8, 2},
    {"padding", 10, 2},
}};

class LibraryFactory {
public:
    virtual ~LibraryFactory();
    LibraryFactory(const LibraryFactory&) = delete;
    LibraryFactory& operator=(const LibraryFactory&) = delete;

    // ---- the factory's operations ----
    // Reads one entry; the record offsets are relative to recordArea.
    virtual int readEntry(std::span<const std::uint8_t> entry, std::span<std::uint8_t> recordArea,
                          std::unique_ptr<PrintModeInfo>& mode) = 0;
    virtual std::unique_ptr<PrintModeInfo> createPrintMode(const PrintModeKey& key) const = 0;
    virtual std::uint32_t kindCount() const = 0;
    virtual std::string_view kindName(std::uint32_t kind) const = 0; // empty for unknown kinds
    virtual std::span<const KeyDescriptor> keyTable(const ResourceRecord& record) const = 0;
    virtual std::uint32_t keyCount(const ResourceRecord& record) const = 0;
    virtual bool isValid() const;
    virtual std::string_view qualityName(std::uint16_t value) const;
    virtual std::uint16_t qualityValue(std::string_view name) const;
    virtual int takeSectionHeader(std::span<const std::uint8_t> header);
    virtual void copySectionHeader(std::span<std::uint8_t, kSectionHeaderSize> out) const;
    virtual std::uint16_t entryCountOf(std::span<const std::uint8_t> header) const;
    virtual std::uint32_t sectionHeaderSize(std::uint32_t entries) const = 0;
    virtual std::uint32_t entrySize() const = 0;
    virtual std::uint32_t recordSize(std::uint32_t kind) const = 0;
    virtual std::uint32_t identitySize() const;
    virtual std::uint32_t writeSectionHeader(std::uint32_t entries, std::span<std::uint8_t> out) const = 0;
    virtual int writeEntry(const PrintModeInfo& mode, std::span<std::uint8_t> out) const = 0;
    virtual bool bigEndian() const;
    virtual bool isValidId(std::uint32_t id) const;      // 101 to 65535
    virtual bool isValidShortId(std::uint32_t id) const; // 101 to 4095
    virtual void setDriveId(std::uint16_t id);
    virtual std::uint16_t driveId() const;
    virtual int sectionType() const;
    virtual void setGeneration(std::uint32_t generation);
    virtual std::uint32_t generation() const;
    virtual void setSectionWord4(std::uint32_t word);
    virtual std::uint32_t sectionWord4() const;
    virtual void* context() const;

    // ---- what the document does with a section ----
    const std::vector<std::unique_ptr<PrintModeInfo>>& printModes() const { return storage().modes_; }
    // Appends a mode (entry order = list order). Its records must be bound before a save.
    PrintModeInfo& addPrintMode(std::unique_ptr<PrintModeInfo> mode);
    // Kind descriptor of kind k of this library and generation; nullptr when unknown.
    const ResourceFileKind* kind(std::uint32_t k) const;

    // Reads a whole section (size 0 or 1: empty). Non-zero status: the section is corrupt.
    int parseSection(std::span<std::uint8_t> section);
    // Assigns owners and computes the size the section will have on save.
    int planSection(std::uint64_t& size);
    // Writes the section into exactly `out` (sized by planSection), placing its records.
    int serializeSection(std::span<std::uint8_t> out);
    // Status 10 when two kinds were changed over the same bytes since the load or the
    // last save: either kind's values would silently replace the other's. `reason`
    // names the record.
    int checkSharedEdits(std::string& reason) const;
    // After a successful save: what is in the file is no longer an edit.
    void markSaved();
    // Names two records of this section whose bytes overlap, for refusals.
    std::string describeSharedEdit(const ResourceRecord& a, const ResourceRecord& b) const;

protected:
    LibraryFactory(int sectionType, std::uint32_t generation, void* context, bool bigEndian);

    // Binds the record at recordArea + offset, shared by every entry that names the same offset.
    int bindRecord(std::uint32_t kind, std::span<std::uint8_t> recordArea, std::uint32_t offset,
                   ResourceRecord*& record);
    ResourceRecord* emptyRecord() { return &storage().emptyRecord_; }
    // A wrapper factory keeps its modes and records in the generation factory it owns.
    void delegateStorageTo(LibraryFactory* inner) { delegate_ = inner; }

private:
    LibraryFactory& storage() { return delegate_ ? *delegate_ : *this; }
    const LibraryFactory& storage() const { return delegate_ ? *delegate_ : *this; }

    std::vector<std::unique_ptr<PrintModeInfo>> modes_;
    // By data address, then kind: kinds of the same size at one offset each get a record.
    std::map<std::pair<const std::uint8_t*, std::uint32_t>, std::unique_ptr<ResourceRecord>> records_;
    ResourceRecord emptyRecord_;
    void* context_;
    std::uint16_t driveId_ = 0;
    int sectionType_;
    bool bigEndian_;
    std::uint32_t sectionWord4_ = 0;
    std::uint32_t generation_;
    std::array<std::uint8_t, kSectionHeaderSize> loadedHeader_{};
    LibraryFactory* delegate_ = nullptr;
    bool emptySection_ = false; // loaded from a section of size 0 or 1
};

// A generation factory: one library in one generation, driven by its layout table.
class GenerationFactory : public LibraryFactory {
public:
    using ModeMaker = std::unique_ptr<PrintModeInfo> (*)(const PrintModeKey&);

    int readEntry(std::span<const std::uint8_t> entry, std::span<std::uint8_t> recordArea,
                  std::unique_ptr<PrintModeInfo>& mode) override;
    std::unique_ptr<PrintModeInfo> createPrintMode(const PrintModeKey& key) const override;
    std::uint32_t kindCount() const override;
    std::string_view kindName(std::uint32_t kind) const override;
    std::span<const KeyDescriptor> keyTable(const ResourceRecord& record) const override;
    std::uint32_t keyCount(const ResourceRecord& record) const override;
    std::uint32_t sectionHeaderSize(std::uint32_t entries) const override;
    std::uint32_t entrySize() const override;
    std::uint32_t recordSize(std::uint32_t kind) const override;
    std::uint32_t writeSectionHeader(std::uint32_t entries, std::span<std::uint8_t> out) const override;
    int writeEntry(const PrintModeInfo& mode, std::span<std::uint8_t> out) const override;

    const LibraryLayout& layout() const { return *layout_; }

protected:
    GenerationFactory(const LibraryLayout& layout, ModeMaker makeMode, void* context, bool bigEndian);

private:
    const LibraryLayout* layout_;
    ModeMaker makeMode_;
};

#define QM_DRF_GENERATION_FACTORY(Name)                                                                      \
    class Name final : public GenerationFactory {                                                            \
    public:                                                                                                  \
        Name(void* context, bool bigEndian);                                                                 \
    };
QM_DRF_GENERATION_FACTORY(PrintEngineFactoryGen1)
QM_DRF_GENERATION_FACTORY(PrintEngineFactoryGen2)
QM_DRF_GENERATION_FACTORY(PrintEngineFactoryGen3)
QM_DRF_GENERATION_FACTORY(PrintEngineFactoryGen4)
QM_DRF_GENERATION_FACTORY(VarmelonFactoryGen1)
QM_DRF_GENERATION_FACTORY(QuessaFactoryGen1)
QM_DRF_GENERATION_FACTORY(LorvaneFactoryGen1)
QM_DRF_GENERATION_FACTORY(PendritheFactoryGen1)
#undef QM_DRF_GENERATION_FACTORY

// A library's factory: picks the generation factory and forwards every operation to it.
class ForwardingFactory : public LibraryFactory {
public:
    int readEntry(std::span<const std::uint8_t> entry, std::span<std::uint8_t> recordArea,
                  std::unique_ptr<PrintModeInfo>& mode) override;
    std::unique_ptr<PrintModeInfo> createPrintMode(const PrintModeKey& key) const override;
    std::uint32_t kindCount() const override;
    std::string_view kindName(std::uint32_t kind) const override;
    std::span<const KeyDescriptor> keyTable(const ResourceRecord& record) const override;
    std::uint32_t keyCount(const ResourceRecord& record) const override;
    bool isValid() const override;
    std::string_view qualityName(std::uint16_t value) const override;
    std::uint16_t qualityValue(std::string_view name) const override;
    int takeSectionHeader(std::span<const std::uint8_t> header) override;
    void copySectionHeader(std::span<std::uint8_t, kSectionHeaderSize> out) const override;
    std::uint16_t entryCountOf(std::span<const std::uint8_t> header) const override;
    std::uint32_t sectionHeaderSize(std::uint32_t entries) const override;
    std::uint32_t entrySize() const override;
    std::uint32_t recordSize(std::uint32_t kind) const override;
    std::uint32_t identitySize() const override;
    std::uint32_t writeSectionHeader(std::uint32_t entries, std::span<std::uint8_t> out) const override;
    int writeEntry(const PrintModeInfo& mode, std::span<std::uint8_t> out) const override;
    bool bigEndian() const override;
    bool isValidId(std::uint32_t id) const override;
    bool isValidShortId(std::uint32_t id) const override;
    void setDriveId(std::uint16_t id) override;
    std::uint16_t driveId() const override;
    int sectionType() const override;
    void setGeneration(std::uint32_t generation) override;
    std::uint32_t generation() const override;
    void setSectionWord4(std::uint32_t word) override;
    std::uint32_t sectionWord4() const override;
    void* context() const override;

    // nullptr when the generation is not accepted.
    LibraryFactory* generationFactory() const { return inner_.get(); }

protected:
    ForwardingFactory(int sectionType, std::uint32_t generation, void* context, bool bigEndian,
                      std::unique_ptr<LibraryFactory> inner);

private:
    std::unique_ptr<LibraryFactory> inner_;
};

#define QM_DRF_LIBRARY_FACTORY(Name)                                                                         \
    class Name final : public ForwardingFactory {                                                            \
    public:                                                                                                  \
        Name(int sectionType, std::uint32_t generation, void* context, bool bigEndian);                      \
    };
QM_DRF_LIBRARY_FACTORY(PrintEngineFactory)
QM_DRF_LIBRARY_FACTORY(VarmelonFactory)
QM_DRF_LIBRARY_FACTORY(QuessaFactory)
QM_DRF_LIBRARY_FACTORY(LorvaneFactory)
QM_DRF_LIBRARY_FACTORY(PendritheFactory)
#undef QM_DRF_LIBRARY_FACTORY

// The factory of a section type (1-5); nullptr for other types. isValid() tells
// whether the generation is accepted.
std::unique_ptr<LibraryFactory> createLibraryFactory(int sectionType, std::uint32_t generation, void* context,
                                                     bool bigEndian = false);

} // namespace drf
