#include "DiagnosticsWidget.h"

#include "DriveScan.h"
#include "diagtool/windows/WindowsDiagnostics.h"

#include "platform/TextCodec.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

namespace {

const QString kQmsVersionPrefix = QStringLiteral("QMS Version: ");
const QString kDrfVersionPrefix = QStringLiteral("DRF Version: ");
constexpr int kBoxMinimumHeight = 48;

// Registry data and drive names are whatever the machine holds: they go in
// as plain text, so a "<" in a value never turns the rest into markup.
void setPlainText(QTextEdit* box, const QString& text) {
    box->clear();
    box->insertPlainText(text);
}

} // namespace

DiagnosticsWidget::DiagnosticsWidget(WindowsDiagnostics& checks, QWidget* parent, DriveScanner scan)
    : QWidget(parent), checks_(checks), scan_(std::move(scan)) {
    if (!scan_) {
        scan_ = [] { return WindowsDiagnosticsScan::scanDrivesAndMedia(); };
    }
    layout_ = new QGridLayout(this);

    QGroupBox* qmsGroup = addGroup(tr("Quillmark System Software Settings"), 0);
    auto* qmsLayout = static_cast<QGridLayout*>(qmsGroup->layout());
    qmsVersionLabel_ = new QLabel(tr("QMS Version:"), qmsGroup);
    drfVersionLabel_ = new QLabel(tr("DRF Version:"), qmsGroup);
    qmsSettingsBox_ = readOnlyBox(qmsGroup);
    qmsLayout->addWidget(qmsVersionLabel_, 0, 0);
    qmsLayout->addWidget(drfVersionLabel_, 1, 0);
    qmsLayout->addWidget(qmsSettingsBox_, 2, 0);

    QGroupBox* systemGroup = addGroup(tr("System Settings\n"), 1);
    systemSettingsBox_ = readOnlyBox(systemGroup);
    static_cast<QGridLayout*>(systemGroup->layout())->addWidget(systemSettingsBox_, 0, 0);

    QGroupBox* drivesGroup = addGroup(tr("Quillmark Drives and Media"), 2);
    drivesBox_ = readOnlyBox(drivesGroup);
    static_cast<QGridLayout*>(drivesGroup->layout())->addWidget(drivesBox_, 3, 0);

    QGroupBox* operations = addGroup(tr("Operations"), 3);
    auto* operationsLayout = static_cast<QGridLayout*>(operations->layout());
    systemInfoButton_ = new QPushButton(QStringLiteral("Get system info"), operations);
    scanButton_ = new QPushButton(QStringLiteral("Scan for Quillmark drives and media"), operations);
    clearButton_ = new QPushButton(QStringLiteral("Clear data"), operations);
    operationsLayout->addWidget(systemInfoButton_, 0, 0);
    operationsLayout->addWidget(scanButton_, 0, 1);
    operationsLayout->addWidget(clearButton_, 0, 2);
    connect(systemInfoButton_, &QPushButton::clicked, this, &DiagnosticsWidget::PerformDiagnostics);
    connect(scanButton_, &QPushButton::clicked, this, &DiagnosticsWidget::ScanDrivesAndMedia);
    connect(clearButton_, &QPushButton::clicked, this, &DiagnosticsWidget::ClearDiagnosticsInfoOnGUI);
}

DiagnosticsWidget::~DiagnosticsWidget() = default;

QGroupBox* DiagnosticsWidget::addGroup(const QString& title, int row) {
    auto* group = new QGroupBox(title, this);
    new QGridLayout(group);
    layout_->addWidget(group, row, 0);
    return group;
}

QTextEdit* DiagnosticsWidget::readOnlyBox(QWidget* parent) {
    auto* box = new QTextEdit(parent);
    box->setReadOnly(true);
    box->setAcceptRichText(false);
    // Low enough that the advanced view keeps its 800 x 500 with all four
    // groups; the boxes scroll and grow with the window.
    box->setMinimumHeight(kBoxMinimumHeight);
    return box;
}

QString DiagnosticsWidget::shown(const std::wstring& text) const {
    // Shown as the program's ANSI code page has it, as on the users' systems;
    // what the code page lacks shows as "?" rather than losing the whole text.
    const qmplatform::TextCodec& codec = checks_.system().text();
    return QString::fromStdWString(codec.fromAnsi(codec.toAnsi(text)));
}

void DiagnosticsWidget::PerformDiagnostics() {
    const std::wstring qmsStatus = checks_.getQmsVersion(qmsVersion);
    qmsVersionLabel_->setText(kQmsVersionPrefix +
                              shown(qmsStatus == WindowsDiagnostics::kOk ? qmsVersion : qmsStatus));
    const std::wstring drfStatus = checks_.getDrfVersion(drfVersion);
    drfVersionLabel_->setText(kDrfVersionPrefix +
                              shown(drfStatus == WindowsDiagnostics::kOk ? drfVersion : drfStatus));
    setPlainText(qmsSettingsBox_, shown(checks_.qmsSettingsReport()));
    setPlainText(systemSettingsBox_, shown(checks_.systemSettingsReport()));
}

void DiagnosticsWidget::ScanDrivesAndMedia() {
    drivesBox_->clear();
    const QStringList lines = scan_();
    for (const QString& line : lines) {
        drivesBox_->insertPlainText(line + QLatin1Char('\n'));
    }
    if (lines.isEmpty()) {
        drivesBox_->insertPlainText(QStringLiteral("No drives found"));
    }
}

void DiagnosticsWidget::ClearDiagnosticsInfoOnGUI() {
    qmsVersionLabel_->setText(kQmsVersionPrefix);
    drfVersionLabel_->setText(kDrfVersionPrefix);
    qmsSettingsBox_->clear();
    systemSettingsBox_->clear();
    drivesBox_->clear();
}
