#include "platform/formats/VersionBlock.h"
#include "platform/Win32Codes.h"
#include "win32/Win32Resources.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace qmplatform {

namespace {

class Win32VersionInfo final : public VersionInfo {
public:
    std::uint32_t infoSize(std::wstring_view windowsPath, long& error) override {
        const std::wstring path(windowsPath);
        DWORD handle = 0;
        SetLastError(ERROR_SUCCESS);
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        error = size == 0 ? static_cast<long>(GetLastError()) : kErrorSuccess;
        return size;
    }

    bool info(std::wstring_view windowsPath, std::span<std::uint8_t> buffer, long& error) override {
        const std::wstring path(windowsPath);
        if (!GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(buffer.size()), buffer.data())) {
            error = static_cast<long>(GetLastError());
            return false;
        }
        error = kErrorSuccess;
        return true;
    }

    bool queryValue(std::span<const std::uint8_t> block, std::wstring_view subBlock,
                    VersionQueryResult& out) override {
        const std::wstring path(subBlock);
        void* value = nullptr;
        UINT length = 0;
        if (block.empty() || !VerQueryValueW(block.data(), path.c_str(), &value, &length) ||
            value == nullptr) {
            return false;
        }
        const auto* start = static_cast<const std::uint8_t*>(value);
        if (start < block.data() || start > block.data() + block.size()) {
            return false;
        }
        const std::size_t offset = static_cast<std::size_t>(start - block.data());
        // Texts report characters, binary values bytes; the node's type says
        // which, so the block is read once more for it.
        pe::VersionValue kind;
        std::size_t bytes = length;
        if (pe::queryVersionValue(block, subBlock, kind) && kind.isText) {
            bytes = static_cast<std::size_t>(length) * 2;
        }
        out.value = block.subspan(offset, std::min(bytes, block.size() - offset));
        out.length = length;
        return true;
    }
};

} // namespace

std::unique_ptr<VersionInfo> makeWin32VersionInfo() {
    return std::make_unique<Win32VersionInfo>();
}

} // namespace qmplatform
