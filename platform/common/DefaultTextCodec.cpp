#include "platform/TextCodec.h"

#ifdef _WIN32
#include "win32/Win32Registry.h"
#else
#include "emulated/EmulatedTextCodec.h"
#endif

namespace qmplatform {

std::unique_ptr<TextCodec> makeDefaultTextCodec() {
#ifdef _WIN32
    return makeWin32TextCodec();
#else
    return makeEmulatedTextCodec();
#endif
}

} // namespace qmplatform
