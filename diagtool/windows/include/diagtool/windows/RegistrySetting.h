#pragma once

// One registry value as the diagnostics see it: a root chosen by name, a key
// path (the labelling system's own key unless told otherwise), an optional
// subkey and the value's name. Every operation says only whether it worked;
// callers decide what a failure means for the setting they check.

#include "platform/RegKey.h"
#include "platform/Registry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class RegistrySetting {
public:
    static constexpr std::wstring_view kLocalMachine = L"HKEY_LOCAL_MACHINE";
    static constexpr std::wstring_view kCurrentUser = L"HKEY_CURRENT_USER";
    static constexpr std::wstring_view kDefaultKeyPath = L"Software\\Quillmark";

    RegistrySetting(qmplatform::Registry& registry, std::wstring rootName, std::wstring valueName,
                    std::wstring keyPath = {}, std::wstring subkey = {});

    // The key path with its default and the subkey applied.
    std::wstring completeKeyPath() const;
    // The predefined root the name selects; none for any other name.
    std::optional<qmplatform::RegRoot> root() const;
    const std::wstring& valueName() const { return valueName_; }

    // Reads open the key with create-or-open and read access, as the checks
    // always have: a missing key may appear where the user has the rights.
    bool readFlag();
    bool readText();
    bool readNumber();
    // Writes open the key with full access and create it when that fails.
    bool writeFlag(bool flag);
    bool writeText(std::wstring_view text);
    bool writeNumber(std::uint32_t number);

    // The value last read or written; a new setting holds false, "" and 0.
    bool flag() const { return flag_; }
    const std::wstring& text() const { return text_; }
    std::uint32_t number() const { return number_; }

private:
    bool openForReading(qmplatform::RegKey& key) const;
    bool openForWriting(qmplatform::RegKey& key) const;

    qmplatform::Registry& registry_;
    std::wstring rootName_;
    std::wstring keyPath_;
    std::wstring valueName_;
    std::wstring subkey_;
    bool flag_ = false;
    std::wstring text_;
    std::uint32_t number_ = 0;
};
