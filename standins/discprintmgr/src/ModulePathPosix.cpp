#include "ModulePath.h"

#include <dlfcn.h>

namespace discprintmgr {

std::filesystem::path serverModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&serverModulePath), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return std::filesystem::path(info.dli_fname);
}

} // namespace discprintmgr
