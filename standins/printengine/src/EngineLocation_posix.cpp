#include "EngineConfig.h"

#include <dlfcn.h>

namespace qmprtens {

std::filesystem::path engineFilePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&engineFilePath), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return info.dli_fname;
}

} // namespace qmprtens
