// A zip archive written into memory: each entry deflated with zlib (or
// stored when deflating would not make it smaller), UTF-8 names, a central
// directory. No ZIP64: the bundle's limits keep every archive far below
// 4 GiB, and add() refuses what would pass it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qmbundle {

class ZipWriter {
public:
    // `dosTime`/`dosDate` as the zip format keeps them (local time, two-second steps).
    void setTime(std::uint16_t dosTime, std::uint16_t dosDate) {
        dosTime_ = dosTime;
        dosDate_ = dosDate;
    }
    // False, with a reason, when the entry cannot be added (compression
    // failed, or the archive would grow past what a plain zip can hold).
    bool add(const std::string& name, std::span<const std::uint8_t> data, std::string& error);
    // The finished archive: local entries, central directory, end record.
    std::vector<std::uint8_t> finish() const;

private:
    struct Central {
        std::string name;
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
        std::uint32_t compressedSize = 0;
        std::uint32_t size = 0;
        std::uint32_t localOffset = 0;
    };
    std::vector<std::uint8_t> body_;
    std::vector<Central> entries_;
    std::uint16_t dosTime_ = 0;
    std::uint16_t dosDate_ = (1 << 5) | 1; // 1980-01-01
};

// The zip format's DOS time and date of a UTC time (seconds since 1970);
// times before 1980 give 1980-01-01.
void dosDateTime(std::int64_t secondsSince1970, std::uint16_t& dosTime, std::uint16_t& dosDate);

} // namespace qmbundle
