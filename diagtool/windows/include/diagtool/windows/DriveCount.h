#pragma once

// How the checks learn how many Quillmark drives the labelling API sees. The
// labelling API client provides the real count; the checks only need the
// number, so they depend on this seam and not on the client.

#include <functional>

// The number of drives; throws whatever the labelling API throws when it
// cannot be asked, which the checks count as "no drive".
using DriveCount = std::function<int()>;
