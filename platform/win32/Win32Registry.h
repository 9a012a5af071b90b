// The real registry of a Windows system, through the Win32 API.
#pragma once

#include "platform/Registry.h"
#include "platform/TextCodec.h"

#include <memory>

namespace qmplatform {

std::unique_ptr<Registry> makeWin32Registry();

// The ANSI code page of the process (CP_ACP).
std::unique_ptr<TextCodec> makeWin32TextCodec();

} // namespace qmplatform
