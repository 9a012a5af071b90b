#include "platform/Files.h"

namespace qmplatform {

WholeFile readWholeFile(const Files& files, std::wstring_view windowsPath, std::vector<std::uint8_t>& out,
                        std::uint64_t maxBytes) {
    const UniqueFile file(files.openForReading(windowsPath));
    if (!file) {
        return WholeFile::CannotOpen;
    }
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        if (data.size() + n > maxBytes) {
            return WholeFile::TooLarge;
        }
        data.insert(data.end(), chunk, chunk + n);
    }
    if (std::ferror(file.get()) != 0) {
        return WholeFile::ReadError;
    }
    out = std::move(data);
    return WholeFile::Read;
}

} // namespace qmplatform
