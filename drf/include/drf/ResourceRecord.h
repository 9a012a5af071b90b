// Records of a section's record area, typed access to their keys, and the
// heap copies ("parts") that resource sets hand to the editors.
#pragma once

#include "drf/KeyTables.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace drf {

class PrintModeInfo;

// The 28 bytes that end every record: carried unchanged, shown by the tools.
struct RecordIdentity {
    std::uint32_t word = 0;
    std::array<std::uint16_t, 12> halves{};

    static RecordIdentity read(const std::uint8_t* p);
    bool operator==(const RecordIdentity&) const = default;
};

struct RecordOwner {
    const PrintModeInfo* mode = nullptr;
    std::uint32_t kind = 0;
};

// One record of a loaded section. Its bytes are a view into the document's
// file image, so an edit changes the image in place.
//
// Entries of two kinds of the same size may name one offset. Each kind then
// gets a record of its own (so each slot reads with its own key table) whose
// bytes are those of the record first bound there; the bytes are placed once,
// through that first record.
struct ResourceRecord {
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t kindIndex = 0;
    std::optional<std::uint32_t> placement; // offset in the record area once placed on save
    std::optional<RecordOwner> owner;       // the mode and kind that place it on save
    bool loaded = false;                    // data belongs to a loaded file image
    std::uint32_t loadedOffset = 0;         // offset in the record area of the loaded file
    ResourceRecord* sharedWith = nullptr;   // the first record of another kind over the same bytes
    bool edited = false;                    // values changed through this kind since the load or last save

    bool hasData() const { return data != nullptr && size > 0; }
    std::span<std::uint8_t> bytes() const { return {data, size}; }
    // The record that places these bytes on save.
    ResourceRecord& placed() { return sharedWith ? *sharedWith : *this; }
    const ResourceRecord& placed() const { return sharedWith ? *sharedWith : *this; }
    // Whether two records are views of any common byte.
    bool overlaps(const ResourceRecord& other) const {
        return hasData() && other.hasData() && data < other.data + other.size && other.data < data + size;
    }
};

// ---- typed access ----------------------------------------------------------
// Access failures: status 7 when the key's type code does not suit the
// accessor, the element index is out of range, the value does not fit or the
// buffer is too small; status 8 for an identity key whose count is not 1.

// Integer value of element `index` of a key, with the key's signedness.
int readKeyValue(const KeyDescriptor& key, std::span<const std::uint8_t> record, std::uint32_t index,
                 std::int64_t& value);
// Stores a value into element `index`; fails (7) when it does not fit the key's width and sign.
int writeKeyValue(const KeyDescriptor& key, std::span<std::uint8_t> record, std::uint32_t index,
                  std::int64_t value, bool bigEndian = false);
// Copies every element of a key from one record layout to another (same kind).
int copyKey(const KeyDescriptor& key, std::span<const std::uint8_t> from, std::span<std::uint8_t> to,
            bool bigEndian = false);

// Width-checked access as the C types of the fields: uint8_t takes codes 0 and 3,
// uint16_t 1 and 4, uint32_t 2 and 5, int8_t 8, int32_t 10.
template <typename T> int readTyped(const KeyDescriptor& key, std::span<const std::uint8_t> record, T& value);
template <typename T> int writeTyped(const KeyDescriptor& key, std::span<std::uint8_t> record, T value);

// A heap copy of one record with exactly the record's layout (identity included).
class ResourcePart {
public:
    explicit ResourcePart(const ResourceFileKind& kind) : kind_(&kind), bytes_(kind.recordSize, 0) {}

    const ResourceFileKind& kind() const { return *kind_; }
    std::span<std::uint8_t> bytes() { return bytes_; }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

    bool hasKey(std::string_view key) const { return kind_->findKey(key) != nullptr; }
    // Status 7 when the kind has no such named key.
    int value(std::string_view key, std::int64_t& out, std::uint32_t index = 0) const;
    int setValue(std::string_view key, std::int64_t value, std::uint32_t index = 0);

    template <typename T> int get(std::string_view key, T& out) const;
    template <typename T> int set(std::string_view key, T value);

    RecordIdentity identity() const;

private:
    const ResourceFileKind* kind_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace drf
