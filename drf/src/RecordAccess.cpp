#include "drf/ResourceRecord.h"

#include "drf/ByteOrder.h"
#include "drf/Status.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace drf {

namespace {

// Key lies inside a buffer of `size` bytes (64-bit arithmetic: offsets come from tables,
// sizes from files).
bool fits(const KeyDescriptor& key, std::size_t size) {
    return static_cast<std::uint64_t>(key.offset) + key.byteSize() <= size;
}

int checkShape(const KeyDescriptor& key) {
    if (key.type == kTypeIdentity && key.count != 1)
        return kCountMismatch;
    if (elementWidth(key.type) == 0)
        return kTypeMismatch;
    return kOk;
}

void storeElement(std::uint8_t* p, std::uint32_t width, std::uint64_t raw, bool bigEndian) {
    for (std::uint32_t i = 0; i < width; ++i) {
        const std::uint32_t shift = 8 * (bigEndian ? width - 1 - i : i);
        p[i] = static_cast<std::uint8_t>(raw >> shift);
    }
}

template <typename T> bool suits(std::uint8_t type) {
    if constexpr (std::is_same_v<T, std::uint8_t>)
        return type == kTypeU8 || type == kTypeB8;
    else if constexpr (std::is_same_v<T, std::uint16_t>)
        return type == kTypeU16 || type == kTypeB16;
    else if constexpr (std::is_same_v<T, std::uint32_t>)
        return type == kTypeU32 || type == kTypeB32;
    else if constexpr (std::is_same_v<T, std::int8_t>)
        return type == kTypeI8;
    else if constexpr (std::is_same_v<T, std::int32_t>)
        return type == kTypeI32;
    else
        return false;
}

} // namespace

RecordIdentity RecordIdentity::read(const std::uint8_t* p) {
    RecordIdentity id;
    id.word = readLe<std::uint32_t>(p);
    for (std::size_t i = 0; i < id.halves.size(); ++i)
        id.halves[i] = readLe<std::uint16_t>(p + 4 + 2 * i);
    return id;
}

int readKeyValue(const KeyDescriptor& key, std::span<const std::uint8_t> record, std::uint32_t index,
                 std::int64_t& value) {
    if (int s = checkShape(key); s != kOk)
        return s;
    if (key.type == kTypeIdentity || index >= key.count || !fits(key, record.size()))
        return kTypeMismatch;
    const std::uint32_t width = elementWidth(key.type);
    const std::uint8_t* p = record.data() + key.offset + static_cast<std::size_t>(index) * width;
    switch (key.type) {
    case kTypeI8:
        value = readLe<std::int8_t>(p);
        break;
    case kTypeI32:
        value = readLe<std::int32_t>(p);
        break;
    default:
        value = width == 1   ? readLe<std::uint8_t>(p)
                : width == 2 ? readLe<std::uint16_t>(p)
                             : readLe<std::uint32_t>(p);
        break;
    }
    return kOk;
}

int writeKeyValue(const KeyDescriptor& key, std::span<std::uint8_t> record, std::uint32_t index,
                  std::int64_t value, bool bigEndian) {
    if (int s = checkShape(key); s != kOk)
        return s;
    if (key.type == kTypeIdentity || index >= key.count || !fits(key, record.size()))
        return kTypeMismatch;
    const std::uint32_t width = elementWidth(key.type);
    std::int64_t lo = 0;
    std::int64_t hi = 0;
    if (isSignedType(key.type)) {
        hi = (std::int64_t{1} << (8 * width - 1)) - 1;
        lo = -hi - 1;
    } else {
        hi = (std::int64_t{1} << (8 * width)) - 1;
    }
    if (value < lo || value > hi)
        return kTypeMismatch;
    storeElement(record.data() + key.offset + static_cast<std::size_t>(index) * width, width,
                 static_cast<std::uint64_t>(value), bigEndian);
    return kOk;
}

int copyKey(const KeyDescriptor& key, std::span<const std::uint8_t> from, std::span<std::uint8_t> to,
            bool bigEndian) {
    if (int s = checkShape(key); s != kOk)
        return s;
    if (!fits(key, from.size()) || !fits(key, to.size()))
        return kTypeMismatch;
    const std::uint32_t width = elementWidth(key.type);
    const std::uint8_t* src = from.data() + key.offset;
    std::uint8_t* dst = to.data() + key.offset;
    if (key.type == kTypeIdentity || width == 1 || !bigEndian) {
        std::memmove(dst, src, key.byteSize());
        return kOk;
    }
    for (std::uint32_t i = 0; i < key.count; ++i) {
        const std::uint8_t* s = src + static_cast<std::size_t>(i) * width;
        const std::uint64_t raw = width == 2 ? readLe<std::uint16_t>(s) : readLe<std::uint32_t>(s);
        storeElement(dst + static_cast<std::size_t>(i) * width, width, raw, true);
    }
    return kOk;
}

template <typename T>
int readTyped(const KeyDescriptor& key, std::span<const std::uint8_t> record, T& value) {
    if (!suits<T>(key.type))
        return kTypeMismatch;
    std::int64_t v = 0;
    if (int s = readKeyValue(key, record, 0, v); s != kOk)
        return s;
    value = static_cast<T>(v);
    return kOk;
}

template <typename T> int writeTyped(const KeyDescriptor& key, std::span<std::uint8_t> record, T value) {
    if (!suits<T>(key.type))
        return kTypeMismatch;
    return writeKeyValue(key, record, 0, static_cast<std::int64_t>(value));
}

#define QM_DRF_TYPED(T)                                                                                      \
    template int readTyped<T>(const KeyDescriptor&, std::span<const std::uint8_t>, T&);                      \
    template int writeTyped<T>(const KeyDescriptor&, std::span<std::uint8_t>, T);                            \
    template int ResourcePart::get<T>(std::string_view, T&) const;                                           \
    template int ResourcePart::set<T>(std::string_view, T);
// Declared ahead of the instantiations below.
template <typename T> int ResourcePart::get(std::string_view key, T& out) const {
    const KeyDescriptor* k = kind_->findKey(key);
    return k ? readTyped(*k, bytes(), out) : kTypeMismatch;
}
template <typename T> int ResourcePart::set(std::string_view key, T value) {
    const KeyDescriptor* k = kind_->findKey(key);
    return k ? writeTyped(*k, bytes(), value) : kTypeMismatch;
}
QM_DRF_TYPED(std::uint8_t)
QM_DRF_TYPED(std::uint16_t)
QM_DRF_TYPED(std::uint32_t)
QM_DRF_TYPED(std::int8_t)
QM_DRF_TYPED(std::int32_t)
#undef QM_DRF_TYPED

int ResourcePart::value(std::string_view key, std::int64_t& out, std::uint32_t index) const {
    const KeyDescriptor* k = kind_->findKey(key);
    return k ? readKeyValue(*k, bytes(), index, out) : kTypeMismatch;
}

int ResourcePart::setValue(std::string_view key, std::int64_t value, std::uint32_t index) {
    const KeyDescriptor* k = kind_->findKey(key);
    return k ? writeKeyValue(*k, bytes(), index, value) : kTypeMismatch;
}

RecordIdentity ResourcePart::identity() const {
    return RecordIdentity::read(bytes_.data() + bytes_.size() - kRecordIdentitySize);
}

} // namespace drf
