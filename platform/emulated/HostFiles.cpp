#include "platform/formats/HostFiles.h"

#include "platform/Win32Codes.h"

#include <fstream>
#include <system_error>

namespace qmplatform::emulated {

long readHostFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec)) {
        return kErrorFileNotFound;
    }
    if (std::filesystem::is_directory(path, ec)) {
        return kErrorAccessDenied;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        return kErrorAccessDenied;
    }
    if (size > kMaxReadFileSize) {
        return kErrorNotEnoughMemory;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return kErrorAccessDenied;
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) {
        return kErrorAccessDenied;
    }
    out = std::move(data);
    return kErrorSuccess;
}

} // namespace qmplatform::emulated
