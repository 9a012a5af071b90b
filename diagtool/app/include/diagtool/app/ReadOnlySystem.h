#pragma once

// A system whose registry can be read but not changed: keys that do not
// exist are not created, values are not written, keys are not deleted. The
// checks open the keys they read with create-or-open, so a report made
// through this one cannot leave a trace on the machine it reports on.

#include "platform/System.h"

#include <memory>

namespace qmdiag {

std::unique_ptr<qmplatform::System> makeReadOnlySystem(std::unique_ptr<qmplatform::System> system);

} // namespace qmdiag
