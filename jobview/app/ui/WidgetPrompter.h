// The real dialogs behind FramePrompter.
#pragma once

#include <QPointer>
#include <QWidget>

#include "FramePrompter.h"

class WidgetPrompter : public jobview::FramePrompter {
public:
    // Dialogs are centred on `parent` once it is set.
    void setParent(QWidget* parent) { owner = parent; }

    void showMessage(const std::string& text) override;
    void showStatistics(const JobStatistics& statistics) override;
    QString chooseFileToOpen() override;
    QString choosePictureFile() override;
    QString chooseFileToCompare() override;
    void showCompareSummary(const QString& text) override;
    void showError(const QString& text) override;

private:
    QPointer<QWidget> owner;
};
