#include "ProbeDialog.h"

#include "CAboutDlg.h"
#include "ProbeResources.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace probe {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string utf8(const QString& text) {
    return text.toStdString();
}

// MS Shell Dlg at 8 points: 6 x 13 pixels of average character, four
// horizontal and eight vertical dialog units to it.
int dluX(int units) {
    return units * 6 / 4;
}
int dluY(int units) {
    return units * 13 / 8;
}

ProbeDialog::ProbeDialog(const ToolProfile& profile, ProbePrompter& prompter, BindingFactory makeBinding,
                         std::string aboutText, QWidget* parent)
    : QDialog(parent), profile_(profile), aboutText_(std::move(aboutText)),
      controller_(std::make_unique<ProbeController>(profile, *this, prompter, std::move(makeBinding))) {
    setObjectName(QString::number(kIdMainDialog));
    setWindowTitle(qs(profile.caption));
    // No sizing or maximizing, as the dialog's system menu has neither.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("MS Shell Dlg"));
    font.setPointSize(8);
    setFont(font);
}

ProbeDialog::~ProbeDialog() = default;

void ProbeDialog::initDialog() {
    setWindowIcon(probeIcon());
    controller_->startSession();
}

QLineEdit* ProbeDialog::makeField(int id) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::number(id));
    field->setAlignment(Qt::AlignRight);
    return field;
}

QWidget* ProbeDialog::makeDriveRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Select Drive"), row));
    driveList_ = new QComboBox(row);
    driveList_->setObjectName(QString::number(kIdDriveList));
    // A drop-down combo box: its edit field takes typing, but typing adds no item.
    driveList_->setEditable(true);
    driveList_->setInsertPolicy(QComboBox::NoInsert);
    layout->addWidget(driveList_, 1);
    connect(driveList_, &QComboBox::activated, this, [this](int) { controller_->refreshList(); });
    return row;
}

QWidget* ProbeDialog::makeButtonRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* about = new QPushButton(probeString(profile_, kIdsAboutMenu), row);
    about->setObjectName(QString::number(kIdAboutCommand));
    about->setAutoDefault(false);
    connect(about, &QPushButton::clicked, this, [this] { onSysCommand(kIdAboutCommand); });
    layout->addWidget(about);
    layout->addStretch(1);
    update_ = new QPushButton(QStringLiteral("Update"), row);
    update_->setObjectName(QString::number(kIdUpdate));
    update_->setDefault(true);
    connect(update_, &QPushButton::clicked, this, [this] { controller_->query(); });
    exit_ = new QPushButton(QStringLiteral("Exit"), row);
    exit_->setObjectName(QString::number(kIdExit));
    exit_->setAutoDefault(false);
    connect(exit_, &QPushButton::clicked, this, &ProbeDialog::reject);
    layout->addWidget(update_);
    layout->addWidget(exit_);
    return row;
}

void ProbeDialog::fixSize() {
    setFixedSize(dluX(profile_.widthDlu), dluY(profile_.heightDlu));
}

void ProbeDialog::onSysCommand(unsigned id) {
    if (isAboutCommand(id)) {
        showAbout();
    }
}

void ProbeDialog::showAbout() {
    CAboutDlg about(profile_, qs(aboutText_), this);
    about.exec();
}

void ProbeDialog::reject() {
    controller_->endSession();
    QDialog::reject();
}

std::string ProbeDialog::fieldText(int id) const {
    const auto* field = findChild<QLineEdit*>(QString::number(id));
    return field != nullptr ? utf8(field->text()) : std::string();
}

void ProbeDialog::setFieldText(int id, const std::string& text) {
    if (auto* field = findChild<QLineEdit*>(QString::number(id))) {
        field->setText(qs(text));
    }
}

void ProbeDialog::setDriveItems(const DriveList& list) {
    driveList_->clear();
    for (const DriveItem& item : list.items()) {
        driveList_->addItem(qs(item.text));
    }
    driveList_->setCurrentIndex(-1);
}

int ProbeDialog::selectedItem() const {
    // Typing into the edit field leaves no item chosen, as in the drop-down box.
    const int index = driveList_->currentIndex();
    if (index < 0 || driveList_->currentText() != driveList_->itemText(index)) {
        return -1;
    }
    return index;
}

void ProbeDialog::setSelectedItem(int item) {
    driveList_->setCurrentIndex(item);
}

void ProbeDialog::setButtonsEnabled(bool enabled) {
    update_->setEnabled(enabled);
    exit_->setEnabled(enabled);
}

void ProbeDialog::yield() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace probe
