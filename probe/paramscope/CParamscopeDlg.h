// paramscope's dialog (102): the drive, its media, and the labeling
// parameters the drive reports for the three print qualities.
#pragma once

#include "ProbeDialog.h"

namespace probe {

class CParamscopeDlg : public ProbeDialog {
    Q_OBJECT
public:
    CParamscopeDlg(ProbePrompter& prompter, BindingFactory makeBinding, std::string aboutText,
                   QWidget* parent = nullptr);
};

} // namespace probe
