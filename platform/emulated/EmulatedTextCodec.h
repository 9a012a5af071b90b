// The ANSI code page of every emulated machine: Windows-1252, as a western
// European Windows installation has it.
#pragma once

#include "platform/TextCodec.h"

#include <memory>

namespace qmplatform {

std::unique_ptr<TextCodec> makeEmulatedTextCodec();

} // namespace qmplatform
