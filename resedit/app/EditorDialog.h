// The body both editor dialogs share: controls built from the editor's layout
// table, each named by its id, and every action handed to an EditorSession.
#pragma once

#include "resedit/EditorSession.h"

#include <QDialog>
#include <QString>

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QGridLayout;

namespace resedit {

class EditorDialog : public QDialog {
    Q_OBJECT
public:
    EditorDialog(EditorKind kind, const QString& drfPath, Prompter& prompter, NextDrfPaths& next,
                 QWidget* parent = nullptr);

    EditorSession& session() { return session_; }
    // Set when a DRF of the other kind of format was handed to the launcher;
    // the dialog has then closed (or, not yet shown, must not be shown).
    bool handedOver() const { return handedOver_; }

public Q_SLOTS:
    void openDrf(const QString& path);
    void onSelectDrf();
    void onApply();
    void onSaveDrf();
    void onExit();
    void onPreviewLabel();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void reject() override;

private:
    void buildControls();
    QWidget* buildGroup(int group);
    void applyFonts();
    void refresh();
    void updateTitle();
    void afterOpen(OpenOutcome outcome);
    void focusRefused();
    void onMediaChosen(int row);
    void onQualityChosen(int row);
    void onQualityTyped();
    void onUnit(bool track, SpacingUnit unit);

    EditorSession session_;
    Prompter& prompter_;
    bool handedOver_ = false;
    bool closing_ = false;

    std::array<QLineEdit*, kEditValueCount> edits_{};
    std::array<QLabel*, kEditValueCount> labels_{};
    std::array<QLabel*, 3> headings_{};
    QComboBox* media_ = nullptr;
    QComboBox* quality_ = nullptr;
    QLabel* fileName_ = nullptr;
    QLabel* driveId_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* readPowerLabel_ = nullptr;
    std::array<QRadioButton*, 2> trackUnits_{};
    std::array<QRadioButton*, 2> markUnits_{};
};

// Dialog 102: the editor for DRF formats 1 to 3.
class CReseditDlg : public EditorDialog {
    Q_OBJECT
public:
    CReseditDlg(const QString& drfPath, Prompter& prompter, NextDrfPaths& next, QWidget* parent = nullptr)
        : EditorDialog(EditorKind::Classic, drfPath, prompter, next, parent) {}
};

// Dialog 130: the editor for DRF format 4.
class CReseditReorgDlg : public EditorDialog {
    Q_OBJECT
public:
    CReseditReorgDlg(const QString& drfPath, Prompter& prompter, NextDrfPaths& next,
                     QWidget* parent = nullptr)
        : EditorDialog(EditorKind::Reorg, drfPath, prompter, next, parent) {}
};

} // namespace resedit
