// A floyd picture: rows of pixel values, one row per track of the label.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

struct FloydHeader {
    std::uint32_t magic = 0;
    std::uint16_t rowCount = 0;
    std::uint16_t tracksPerInch = 0;
    std::uint16_t dotsPerInch = 0;
    std::uint16_t colourCount = 0;
    std::uint8_t flags = 0;
    std::uint8_t bitsPerPixel = 0;
    std::uint8_t format = 0;
};

struct FloydRow {
    std::uint32_t endOffset = 0;
    std::uint32_t width = 0;
};

// What FloydImage::Load raises; what() is the text the user is shown.
class FloydError : public std::runtime_error {
public:
    enum class Kind { NotFound, Memory, File, Other };
    FloydError(Kind kind, const std::string& text) : std::runtime_error(text), errorKind(kind) {}
    Kind kind() const { return errorKind; }

private:
    Kind errorKind;
};

class FloydImage {
public:
    // Reads the whole picture. Raises FloydError; on any error after the
    // existence check the image is left empty (no rows, cleared header).
    // Every count and offset is checked against the file's length before
    // anything is allocated or read for it.
    void Load(const std::string& path);
    // The body of Load on an open stream of `fileSize` bytes; `path` only
    // goes into the error texts.
    void loadFrom(std::istream& in, std::uint64_t fileSize, const std::string& path);
    void release();

    const FloydHeader& header() const { return head; }
    std::size_t rowCount() const { return rows.size(); }
    std::uint32_t rowWidth(std::size_t row) const { return row < rows.size() ? rows[row].width : 0; }
    // Pixel value of row i, column j; 0 outside the picture.
    std::uint8_t pixel(std::size_t i, std::uint32_t j) const;
    unsigned bits() const { return valueBits; }
    std::uint32_t mask() const { return valueMask; }
    std::size_t dataSize() const { return data.size(); }
    bool counterClockwise() const;

private:
    FloydHeader head;
    std::vector<FloydRow> rows;
    std::vector<const std::uint8_t*> rowData;
    std::vector<std::uint8_t> data;
    unsigned valueBits = 0;
    std::uint32_t valueMask = 0;
};
