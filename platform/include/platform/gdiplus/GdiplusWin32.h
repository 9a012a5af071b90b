// GDI+ on Windows is the system's own (gdiplus.dll through the import library
// libgdiplus.a / gdiplus.lib). This header only puts its prerequisites in the
// order <gdiplus.h> needs them: it is not self-contained and expects the
// Windows types and COM's IStream (objidl.h) to be declared first.
#pragma once

// windows.h's min/max macros would break std::min/std::max in every file
// that sees this header.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <objidl.h>
#include <windows.h>

#include <algorithm>

// The Windows SDK's GDI+ headers call min and max unqualified; with the
// macros gone they find these instead. MinGW-w64's headers do not need them.
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus

#include <gdiplus.h>
