#include "jobview/FloydWriter.h"

#include <algorithm>
#include <stdexcept>

#include "FileUtil.h"
#include "platform/FileReplace.h"
#include "jobview/FloydFormat.h"

namespace floyd {

namespace {

void putField(std::uint8_t* record, const FieldSpec& f, std::uint32_t value) {
    for (std::uint32_t i = 0; i < f.size && i < 4; ++i)
        record[f.offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void putPixel(std::uint8_t* row, unsigned depth, std::uint32_t j, std::uint32_t v) {
    switch (depth) {
    case 1:
        row[j / 8] = static_cast<std::uint8_t>(row[j / 8] | ((v & 1u) << (j % 8)));
        break;
    case 4:
        row[j / 2] = static_cast<std::uint8_t>(row[j / 2] | ((v & 0x0Fu) << (j % 2 == 0 ? 0 : 4)));
        break;
    default:
        for (unsigned b = 0; b < depth / 8; ++b)
            row[std::size_t{j} * (depth / 8) + b] = static_cast<std::uint8_t>(v >> (8 * b));
        break;
    }
}

} // namespace

std::vector<std::uint8_t> serialize(const FloydPicture& picture) {
    if (picture.rows.size() > 0xFFFF)
        throw std::invalid_argument("a floyd file holds at most 65535 rows");
    const unsigned depth = picture.bitsPerPixel;
    if (std::find(std::begin(kStorageDepths), std::end(kStorageDepths), depth) == std::end(kStorageDepths))
        throw std::invalid_argument("not a floyd storage depth: " + std::to_string(depth));

    std::uint64_t total = kHeaderSize;
    for (const auto& row : picture.rows)
        total += kRowEntrySize + rowStride(static_cast<std::uint32_t>(row.size()), depth);
    if (total > 0xFFFFFFFFu)
        throw std::invalid_argument("floyd picture larger than 4 GB");

    std::vector<std::uint8_t> out(static_cast<std::size_t>(total), 0);
    std::uint8_t* h = out.data();
    putField(h, field(kHeaderFields, "magic"), kMagic);
    putField(h, field(kHeaderFields, "rowCount"), static_cast<std::uint32_t>(picture.rows.size()));
    putField(h, field(kHeaderFields, "tracksPerInch"), picture.tracksPerInch);
    putField(h, field(kHeaderFields, "dotsPerInch"), picture.dotsPerInch);
    putField(h, field(kHeaderFields, "colourCount"), picture.colourCount);
    putField(h, field(kHeaderFields, "flags"), picture.flags);
    putField(h, field(kHeaderFields, "bitsPerPixel"), picture.bitsPerPixel);
    putField(h, field(kHeaderFields, "format"), kFormatByte);

    std::size_t pos = kHeaderSize;
    for (const auto& row : picture.rows) {
        const auto width = static_cast<std::uint32_t>(row.size());
        const auto stride = static_cast<std::size_t>(rowStride(width, depth));
        std::uint8_t* entry = out.data() + pos;
        putField(entry, field(kRowEntryFields, "endOffset"),
                 static_cast<std::uint32_t>(pos + kRowEntrySize + stride));
        putField(entry, field(kRowEntryFields, "width"), width);
        std::uint8_t* data = entry + kRowEntrySize;
        for (std::uint32_t j = 0; j < width; ++j)
            putPixel(data, depth, j, row[j]);
        pos += kRowEntrySize + stride;
    }
    return out;
}

bool save(const FloydPicture& picture, const std::filesystem::path& path, std::string* error) {
    std::string why;
    try {
        if (qmplatform::writeFileReplacing(path, serialize(picture), why))
            return true;
    } catch (const std::invalid_argument& e) {
        why = e.what();
    }
    if (error)
        *error = why;
    return false;
}

} // namespace floyd
