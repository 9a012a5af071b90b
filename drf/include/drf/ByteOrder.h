// Little-endian reads and writes on byte buffers. Callers check bounds first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace drf {

template <typename T> T readLe(const std::uint8_t* p) {
    static_assert(std::is_integral_v<T>);
    using U = std::make_unsigned_t<T>;
    U value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<U>(value | (static_cast<U>(p[i]) << (8 * i)));
    return static_cast<T>(value);
}

template <typename T> void writeLe(std::uint8_t* p, T value) {
    static_assert(std::is_integral_v<T>);
    using U = std::make_unsigned_t<T>;
    const U u = static_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

} // namespace drf
