// The system's own loader (LoadLibraryExW and friends).
#pragma once

#include "platform/DynamicLibraries.h"

#include <memory>

namespace qmplatform {

std::unique_ptr<DynamicLibraries> makeWin32DynamicLibraries();

} // namespace qmplatform
