// What the two probe dialogs share: the drive list, the Update / Exit /
// About buttons, the value fields by control id, and the commands forwarded
// to the ProbeController that holds the logic.
#pragma once

#include "probe/ProbeController.h"

#include <QDialog>
#include <QString>

#include <memory>
#include <string>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

namespace probe {

class ProbeDialog : public QDialog, public ProbeView {
    Q_OBJECT
public:
    ProbeDialog(const ToolProfile& profile, ProbePrompter& prompter, BindingFactory makeBinding,
                std::string aboutText, QWidget* parent = nullptr);
    ~ProbeDialog() override;

    // OnInitDialog: window icons, then the engine session and the drive list.
    void initDialog();
    ProbeController& controller() { return *controller_; }
    const std::string& aboutText() const { return aboutText_; }

    // System-menu commands: the About command (16) opens the about box.
    void onSysCommand(unsigned id);
    void showAbout();

    // ProbeView
    std::string fieldText(int id) const override;
    void setFieldText(int id, const std::string& text) override;
    void setDriveItems(const DriveList& list) override;
    int selectedItem() const override;
    void setSelectedItem(int item) override;
    void setButtonsEnabled(bool enabled) override;
    void yield() override;

public Q_SLOTS:
    void reject() override; // Exit (id 2), Escape and the window's close box

protected:
    // A right-aligned value field named by its control id.
    QLineEdit* makeField(int id);
    QComboBox* driveList() const { return driveList_; }
    // The "Select Drive" row, and the buttons row with About on the left.
    QWidget* makeDriveRow();
    QWidget* makeButtonRow();
    void fixSize();

private:
    const ToolProfile& profile_;
    std::string aboutText_;
    std::unique_ptr<ProbeController> controller_;
    QComboBox* driveList_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* exit_ = nullptr;
};

// Qt's text of a UTF-8 string, and back.
QString qs(std::string_view text);
std::string utf8(const QString& text);
// Dialog units of the dialogs' 8-point font to pixels.
int dluX(int units);
int dluY(int units);

} // namespace probe
