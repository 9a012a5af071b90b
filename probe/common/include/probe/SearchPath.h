// The probe tools find the engine in the host software's install folder by
// putting that folder in front of PATH at start.
#pragma once

#include "platform/Environment.h"

#include <cstddef>

namespace probe {

// The environment buffers of the tools, in characters with the terminator.
inline constexpr std::size_t kEnvironmentBufferChars = 32767;

// PATH becomes "<CommonProgramFiles>\Quillmark;<old PATH>" when both
// variables can be read into such a buffer and the result fits in one;
// otherwise PATH stays. True when PATH was changed.
bool extendSearchPath(qmplatform::Environment& environment);

} // namespace probe
