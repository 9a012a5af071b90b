// How the labelling client reports every outcome: a 32-bit status code (the
// layer's own below 513, the labelling system's catalogue codes above) and
// the exception that carries it out of a failed call.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace QMRT {

inline constexpr std::int32_t kStatusSuccess = 1;
inline constexpr std::int32_t kStatusMisuse = 16;
inline constexpr std::int32_t kStatusNotImplemented = 17;
inline constexpr std::int32_t kStatusFailure = 256;
inline constexpr std::int32_t kStatusUnmappedComFailure = 257;
inline constexpr std::int32_t kStatusBadEnumeration = 258;
inline constexpr std::int32_t kStatusUnknownCapability = 259;

// The catalogue code a drive that vanished since enumeration is reported with.
inline constexpr std::int32_t kStatusDriveChanged = 563;

struct HResultMapping {
    std::uint32_t hresult;
    std::int32_t code;
};
// Every HRESULT the server is known to report; anything else is 257.
std::span<const HResultMapping> hresultTable();
std::int32_t mapHResult(std::int32_t hresult);

// Thrown and caught by value; no virtual functions, so it copies as plain data.
class QMRT_Exception {
public:
    explicit QMRT_Exception(std::int32_t code) : code_(code) {}
    QMRT_Exception(std::int32_t code, std::string location, std::string message, std::int32_t nativeError)
        : code_(code), location_(std::move(location)), message_(std::move(message)),
          nativeError_(nativeError) {}

    std::int32_t code() const { return code_; }
    const std::string& location() const { return location_; }
    const std::string& message() const { return message_; }
    std::int32_t nativeError() const { return nativeError_; }
    void get(std::int32_t& code, std::string& location, std::string& message,
             std::int32_t& nativeError) const {
        code = code_;
        location = location_;
        message = message_;
        nativeError = nativeError_;
    }

private:
    std::int32_t code_;
    std::string location_;
    std::string message_;
    std::int32_t nativeError_ = 0;
};

} // namespace QMRT
