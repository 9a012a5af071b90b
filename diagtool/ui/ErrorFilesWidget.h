#pragma once

#include <QWidget>

#include <string>

class ErrorFilesTreeWidget;
class ErrorJumpTarget;
class MessagePrompter;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qmplatform {
class System;
}

// The "Error Files" page: scans the log folders of the labelling system and
// lists every entry of their XML error logs.
class ErrorFilesWidget : public QWidget {
    Q_OBJECT
public:
    ErrorFilesWidget(ErrorJumpTarget* mainDialog, qmplatform::System& system, MessagePrompter& prompter,
                     QWidget* parent = nullptr);

    ErrorFilesTreeWidget* tree() const { return tree_; }
    bool flatView() const { return flatView_; }

public slots:
    void scan();
    void LevelsView();
    void FlatView();
    // Asks for a .csv or .json file and writes the shown entries to it.
    void exportRows();

private:
    bool scanFolder(int csidl);
    void rebuild();
    void refreshLevels();
    void applyFilter();

    ErrorJumpTarget* mainDialog_;
    qmplatform::System& system_;
    MessagePrompter& prompter_;
    ErrorFilesTreeWidget* tree_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QRadioButton* levelsButton_ = nullptr;
    QRadioButton* flatButton_ = nullptr;
    QLineEdit* filterEdit_ = nullptr;
    QComboBox* levelFilter_ = nullptr;
    bool flatView_ = true;
};
