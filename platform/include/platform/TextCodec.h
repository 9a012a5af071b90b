// Narrow texts of the Windows "A" functions: the ANSI code page of the
// system (CP_ACP on Windows; 1252 on the emulated machine).
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace qmplatform {

class TextCodec {
public:
    virtual ~TextCodec() = default;
    virtual unsigned codePage() const = 0;
    // Characters the code page lacks become '?', as WideCharToMultiByte and
    // wcstombs make them.
    virtual std::string toAnsi(std::wstring_view text) const = 0;
    virtual std::wstring fromAnsi(std::string_view text) const = 0;
};

// The ANSI code page of the running program: the system's on Windows, 1252
// on the emulated machine.
std::unique_ptr<TextCodec> makeDefaultTextCodec();

} // namespace qmplatform
