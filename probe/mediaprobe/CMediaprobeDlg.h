// mediaprobe's dialog (102): the drive's resource file and the
// identification of the media in it.
#pragma once

#include "ProbeDialog.h"

namespace probe {

class CMediaprobeDlg : public ProbeDialog {
    Q_OBJECT
public:
    CMediaprobeDlg(ProbePrompter& prompter, BindingFactory makeBinding, std::string aboutText,
                   QWidget* parent = nullptr);
};

} // namespace probe
