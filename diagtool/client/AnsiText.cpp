// Narrow texts of the labelling API in the program's ANSI code page.
#include "diagtool/client/QMRT.h"

#include "platform/TextCodec.h"

namespace QMRT {

namespace {

const qmplatform::TextCodec* boundCodec = nullptr;

// The System's codec while a session binds one; the platform's default code
// page for callers without a System (the client's own tests).
const qmplatform::TextCodec& codec() {
    if (boundCodec != nullptr) {
        return *boundCodec;
    }
    static const auto fallback = qmplatform::makeDefaultTextCodec();
    return *fallback;
}

} // namespace

ScopedTextBinding::ScopedTextBinding(const qmplatform::TextCodec& codec) : previous_(boundCodec) {
    boundCodec = &codec;
}

ScopedTextBinding::~ScopedTextBinding() {
    boundCodec = previous_;
}

std::string ansiFromBstr(BSTR text) {
    std::wstring wide = qmplatform::com::wideFromBstr(text);
    // The conversion runs up to the terminator, as WideCharToMultiByte with
    // a length of -1 does.
    wide.resize(wide.find(L'\0') == std::wstring::npos ? wide.size() : wide.find(L'\0'));
    return codec().toAnsi(wide);
}

BSTR bstrFromAnsi(const std::string& text) {
    return qmplatform::com::bstrFromWide(codec().fromAnsi(text));
}

std::wstring wideFromAnsi(const std::string& text) {
    return codec().fromAnsi(text);
}

std::string ansiFromWide(const std::wstring& text) {
    return codec().toAnsi(text);
}

} // namespace QMRT
