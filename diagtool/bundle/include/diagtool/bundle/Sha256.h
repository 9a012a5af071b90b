// SHA-256 of a byte range, as lower-case hex: what the bundle's manifest
// records for every entry and what a reader checks the entries against.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qmbundle {

std::string sha256Hex(std::span<const std::uint8_t> data);

} // namespace qmbundle
