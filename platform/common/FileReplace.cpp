#include "platform/FileReplace.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace qmplatform {

namespace {

// The streams report failure without a cause; the C library's errno from
// the failed call is the best there is (empty when it gave none).
std::string reason(int error) {
    return error == 0 ? std::string() : ": " + std::error_code(error, std::generic_category()).message();
}

} // namespace

std::filesystem::path replacementTempPath(const std::filesystem::path& target) {
    std::filesystem::path temp = target;
    temp += ".tmp~";
    return temp;
}

bool writeFileReplacing(const std::filesystem::path& target, const std::uint8_t* data, std::size_t size,
                        std::string& error) {
    const std::filesystem::path temp = replacementTempPath(target);
    {
        errno = 0;
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot create " + temp.string() + reason(errno);
            return false;
        }
        errno = 0;
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.flush();
        if (!out) {
            const int why = errno;
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            error = "cannot write " + temp.string() + reason(why);
            return false;
        }
    }
    // Renaming over an existing file replaces it in one step on both POSIX
    // and Windows (the standard library asks for MOVEFILE_REPLACE_EXISTING).
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        error = "cannot replace " + target.string() + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace qmplatform
