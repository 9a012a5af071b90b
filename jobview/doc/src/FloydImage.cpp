#include "jobview/FloydImage.h"

#include <fstream>
#include <istream>
#include <new>
#include <system_error>

#include "FileUtil.h"
#include "jobview/FloydFormat.h"
#include "jobview/JobViewTexts.h"

namespace floyd {

namespace {

std::uint32_t le(const std::uint8_t* p, unsigned bytes) {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < bytes; ++i)
        v |= std::uint32_t(p[i]) << (8 * i);
    return v;
}

} // namespace

std::uint8_t pixelOf(const std::uint8_t* row, unsigned depth, std::uint32_t mask, std::uint32_t j) {
    std::uint32_t v = 0;
    switch (depth) {
    case 1:
        v = (row[j / 8] >> (j % 8)) & 1u;
        break;
    case 4:
        v = ((j % 2 == 0) ? row[j / 2] : (row[j / 2] >> 4)) & 0x0Fu & mask;
        break;
    case 8:
        v = row[j] & mask;
        break;
    case 16:
        v = le(row + std::size_t{2} * j, 2) & mask;
        break;
    case 24:
        v = le(row + std::size_t{3} * j, 3) & mask;
        break;
    case 32:
        v = le(row + std::size_t{4} * j, 4) & mask;
        break;
    default:
        return 0;
    }
    return static_cast<std::uint8_t>(v & 0xFFu);
}

} // namespace floyd

namespace {

using floyd::field;

// Failures inside the load, mapped to the user's texts in one place.
struct LoadFailure {
    FloydError::Kind kind;
};

[[noreturn]] void fileError() {
    throw LoadFailure{FloydError::Kind::File};
}

std::uint32_t readField(const std::uint8_t* record, const floyd::FieldSpec& f) {
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < f.size && i < 4; ++i)
        v |= std::uint32_t(record[f.offset + i]) << (8 * i);
    return v;
}

void readExactly(std::istream& in, std::uint64_t at, std::uint8_t* into, std::uint64_t count) {
    in.seekg(static_cast<std::streamoff>(at));
    in.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(count));
    if (!in || static_cast<std::uint64_t>(in.gcount()) != count)
        fileError(); // short read: end of file
}

} // namespace

bool FloydImage::counterClockwise() const {
    return (head.flags & floyd::kCounterClockwiseFlag) != 0;
}

void FloydImage::release() {
    head = FloydHeader{};
    rows.clear();
    rows.shrink_to_fit();
    rowData.clear();
    rowData.shrink_to_fit();
    data.clear();
    data.shrink_to_fit();
    valueBits = 0;
    valueMask = 0;
}

std::uint8_t FloydImage::pixel(std::size_t i, std::uint32_t j) const {
    if (i >= rows.size() || j >= rows[i].width)
        return 0;
    return floyd::pixelOf(rowData[i], head.bitsPerPixel, valueMask, j);
}

void FloydImage::Load(const std::string& path) {
    const std::filesystem::path fsPath = jobview::pathFromUtf8(path);
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::status(fsPath, ec)) || ec)
        throw FloydError(FloydError::Kind::NotFound, formatJobViewText(JobViewText::FloydNotFound, path));
    release();
    const std::uint64_t fileSize = std::filesystem::file_size(fsPath, ec);
    std::ifstream in(fsPath, std::ios::binary);
    if (ec || !in)
        throw FloydError(FloydError::Kind::File, formatJobViewText(JobViewText::FloydFileError, path));
    loadFrom(in, fileSize, path);
}

void FloydImage::loadFrom(std::istream& in, std::uint64_t fileSize, const std::string& path) {
    release();
    try {
        std::uint8_t raw[floyd::kHeaderSize];
        readExactly(in, 0, raw, floyd::kHeaderSize);
        head.magic = readField(raw, field(floyd::kHeaderFields, "magic"));
        head.rowCount = static_cast<std::uint16_t>(readField(raw, field(floyd::kHeaderFields, "rowCount")));
        head.tracksPerInch =
            static_cast<std::uint16_t>(readField(raw, field(floyd::kHeaderFields, "tracksPerInch")));
        head.dotsPerInch =
            static_cast<std::uint16_t>(readField(raw, field(floyd::kHeaderFields, "dotsPerInch")));
        head.colourCount =
            static_cast<std::uint16_t>(readField(raw, field(floyd::kHeaderFields, "colourCount")));
        head.flags = static_cast<std::uint8_t>(readField(raw, field(floyd::kHeaderFields, "flags")));
        head.bitsPerPixel =
            static_cast<std::uint8_t>(readField(raw, field(floyd::kHeaderFields, "bitsPerPixel")));
        head.format = static_cast<std::uint8_t>(readField(raw, field(floyd::kHeaderFields, "format")));
        if (head.magic != floyd::kMagic)
            fileError();

        // The row table must fit in the file before a single entry is allocated.
        if (floyd::kHeaderSize + std::uint64_t{head.rowCount} * floyd::kRowEntrySize > fileSize)
            fileError();
        rows.resize(head.rowCount);
        rowData.resize(head.rowCount, nullptr);

        std::uint64_t previousEnd = floyd::kHeaderSize;
        for (FloydRow& row : rows) {
            std::uint8_t entry[floyd::kRowEntrySize];
            readExactly(in, previousEnd, entry, floyd::kRowEntrySize);
            row.endOffset = readField(entry, field(floyd::kRowEntryFields, "endOffset"));
            row.width = readField(entry, field(floyd::kRowEntryFields, "width"));
            // An end before the entry's own data would make the data size
            // wrap around to a huge number.
            if (row.endOffset < previousEnd + floyd::kRowEntrySize)
                fileError();
            if (row.endOffset > fileSize)
                fileError();
            previousEnd = row.endOffset;
        }

        if (head.format != floyd::kFormatByte)
            fileError();
        valueBits = floyd::bitsForColourCount(head.colourCount);
        valueMask = static_cast<std::uint32_t>((std::uint64_t{1} << valueBits) - 1);
        const unsigned depth = floyd::storageDepthForBits(valueBits);
        if (head.bitsPerPixel != depth)
            fileError();

        std::uint64_t total = 0;
        previousEnd = floyd::kHeaderSize;
        for (const FloydRow& row : rows) {
            const std::uint64_t size = row.endOffset - previousEnd - floyd::kRowEntrySize;
            if (size < floyd::rowStride(row.width, depth))
                fileError();
            total += size;
            previousEnd = row.endOffset;
        }

        if (!floyd::fitsInMemory(total))
            throw std::bad_alloc();
        data.resize(static_cast<std::size_t>(total));
        std::uint64_t at = 0;
        previousEnd = floyd::kHeaderSize;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::uint64_t size = rows[i].endOffset - previousEnd - floyd::kRowEntrySize;
            readExactly(in, previousEnd + floyd::kRowEntrySize, data.data() + at, size);
            rowData[i] = data.data() + at;
            at += size;
            previousEnd = rows[i].endOffset;
        }
    } catch (const LoadFailure& failure) {
        release();
        throw FloydError(failure.kind, formatJobViewText(JobViewText::FloydFileError, path));
    } catch (const std::bad_alloc&) {
        release();
        throw FloydError(FloydError::Kind::Memory, formatJobViewText(JobViewText::FloydMemory));
    } catch (const std::exception&) {
        release();
        throw FloydError(FloydError::Kind::Other, formatJobViewText(JobViewText::FloydReadError, path));
    }
}
