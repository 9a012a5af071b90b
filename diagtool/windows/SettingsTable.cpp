#include "diagtool/windows/SettingsTable.h"

#include "diagtool/windows/RegistrySetting.h"

namespace settings {

std::wstring describeFix(const SettingRow& row) {
    std::wstring text(RegistrySetting::kLocalMachine);
    text += L'\\';
    text += row.key;
    text += row.value;
    text += L" = ";
    if (row.type == qmplatform::kRegSz) {
        text += L'"';
        text += row.fixText;
        text += L'"';
    } else {
        text += std::to_wstring(row.fixNumber);
    }
    return text;
}

} // namespace settings
