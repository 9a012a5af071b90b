// The System bundle of the real Windows the program runs on.
#pragma once

#include "platform/System.h"

#include <memory>

namespace qmplatform {

std::unique_ptr<System> makeWin32System();

} // namespace qmplatform
