#include "Bytes.h"

#include <cstdio>
#include <fstream>
#include <system_error>

namespace JobFile::detail {

bool readFilePrefix(const std::filesystem::path& path, std::size_t limit, std::vector<std::uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(limit, 0);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(limit));
    out.resize(static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out, std::string& error) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = "cannot read the file: " + ec.message();
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the file";
        return false;
    }
    out.assign(static_cast<std::size_t>(size), 0);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) {
        error = "the file changed size while being read";
        return false;
    }
    return true;
}

} // namespace JobFile::detail
