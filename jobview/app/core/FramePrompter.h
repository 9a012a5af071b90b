// Everything modal the frame asks of its user, on top of what the document
// asks: the file dialogs and error boxes of its own commands. The window
// implements it with real dialogs; tests script the answers.
#pragma once

#include <QString>

#include "jobview/JobViewPrompter.h"

namespace jobview {

class FramePrompter : public JobViewPrompter {
public:
    // The file to open, or empty when the user cancels.
    virtual QString chooseFileToOpen() = 0;
    // Where to save the picture, or empty when the user cancels.
    virtual QString choosePictureFile() = 0;
    // The file to compare the open one with, or empty when the user cancels.
    virtual QString chooseFileToCompare() = 0;
    // The summary of the comparison, as text.
    virtual void showCompareSummary(const QString& text) = 0;
    // A failure of one of the frame's own commands.
    virtual void showError(const QString& text) = 0;
};

} // namespace jobview
