#include "ErrorUtilitiesWidget.h"

#include "diagtool/catalogue/ErrorCodeCatalogue.h"
#include "diagtool/catalogue/ErrorCodeParser.h"
#include "diagtool/windows/RegistrySetting.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr wchar_t kApiLoggingValue[] = L"APILogging";
constexpr wchar_t kLogLevelValue[] = L"LogLevel";

RegistrySetting loggingSetting(qmplatform::Registry& registry, const wchar_t* value) {
    return RegistrySetting(registry, std::wstring(RegistrySetting::kLocalMachine), value);
}

} // namespace

ErrorUtilitiesWidget::ErrorUtilitiesWidget(qmplatform::Registry& registry,
                                           [[maybe_unused]] QWidget* mainDialog)
    : QWidget(nullptr), registry_(registry) {
    pageLayout_ = new QGridLayout;
    buildLookupGroup();
    buildLoggingGroup();
    setLayout(pageLayout_);
}

void ErrorUtilitiesWidget::buildLookupGroup() {
    lookupGroup_ = new QGroupBox(tr("Look up error codes"), this);
    lookupLayout_ = new QGridLayout(lookupGroup_);

    codeLabel_ = new QLabel(tr("Error code:"), lookupGroup_);
    comNameLabel_ = new QLabel(tr("COM name:"), lookupGroup_);
    errorClassLabel_ = new QLabel(tr("Error class:"), lookupGroup_);
    commentLabel_ = new QLabel(tr("Comment:"), lookupGroup_);
    messageLabel_ = new QLabel(tr("Message"), lookupGroup_);

    // The hint is the field's contents, not a placeholder: the user replaces
    // it, and a lookup of the hint itself finds nothing.
    codeEdit_ = new QLineEdit(tr("Enter error code here. Use 0x prefix for hex numbers"), lookupGroup_);
    codeEdit_->setFocus(Qt::OtherFocusReason);
    displayButton_ = new QPushButton(QStringLiteral("Display"), lookupGroup_);
    comNameEdit_ = new QLineEdit(lookupGroup_);
    comNameEdit_->setReadOnly(true);
    errorClassEdit_ = new QLineEdit(lookupGroup_);
    errorClassEdit_->setReadOnly(true);
    commentEdit_ = new QPlainTextEdit(lookupGroup_);
    commentEdit_->setReadOnly(true);
    messageEdit_ = new QPlainTextEdit(lookupGroup_);
    messageEdit_->setReadOnly(true);

    lookupLayout_->addWidget(codeLabel_, 0, 0);
    lookupLayout_->addWidget(codeEdit_, 0, 1);
    lookupLayout_->addWidget(displayButton_, 0, 2);
    lookupLayout_->addWidget(comNameLabel_, 1, 0);
    lookupLayout_->addWidget(comNameEdit_, 1, 1);
    lookupLayout_->addWidget(errorClassLabel_, 2, 0);
    lookupLayout_->addWidget(errorClassEdit_, 2, 1);
    lookupLayout_->addWidget(commentLabel_, 3, 0);
    lookupLayout_->addWidget(commentEdit_, 3, 1);
    lookupLayout_->addWidget(messageLabel_, 4, 0);
    lookupLayout_->addWidget(messageEdit_, 4, 1);
    lookupLayout_->setRowStretch(5, 1);

    connect(codeEdit_, &QLineEdit::returnPressed, this, &ErrorUtilitiesWidget::errorLookup);
    connect(displayButton_, &QPushButton::clicked, this, &ErrorUtilitiesWidget::errorLookup);
    pageLayout_->addWidget(lookupGroup_, 0, 0);
}

void ErrorUtilitiesWidget::buildLoggingGroup() {
    loggingGroup_ = new QGroupBox(tr("Error logging options"), this);
    loggingLayout_ = new QGridLayout(loggingGroup_);

    apiLoggingBox_ = new QCheckBox(tr("API Logging"), loggingGroup_);
    loggingLayout_->addWidget(apiLoggingBox_, 0, 0);
    connect(apiLoggingBox_, &QCheckBox::stateChanged, this, &ErrorUtilitiesWidget::APILoggingChange);
    // Connected first on purpose: a stored "on" is written back as 1, so any
    // other non-zero value is normalised the moment the page is built.
    RegistrySetting apiLogging = loggingSetting(registry_, kApiLoggingValue);
    apiLoggingBox_->setChecked(apiLogging.readFlag() && apiLogging.flag());

    errorButton_ = new QRadioButton(QStringLiteral("Error"), loggingGroup_);
    connect(errorButton_, &QRadioButton::clicked, this, &ErrorUtilitiesWidget::SetLogLevelToError);
    loggingLayout_->addWidget(errorButton_, loggingLayout_->rowCount(), 0);
    infoButton_ = new QRadioButton(QStringLiteral("Info"), loggingGroup_);
    connect(infoButton_, &QRadioButton::clicked, this, &ErrorUtilitiesWidget::SetLogLevelToInfo);
    loggingLayout_->addWidget(infoButton_, loggingLayout_->rowCount(), 0);
    debugButton_ = new QRadioButton(QStringLiteral("Debug"), loggingGroup_);
    connect(debugButton_, &QRadioButton::clicked, this, &ErrorUtilitiesWidget::SetLogLevelToDebug);
    loggingLayout_->addWidget(debugButton_, loggingLayout_->rowCount(), 0);

    // Anything but the exact "Debug" or "Info", or no value at all, is the
    // components' default level.
    RegistrySetting level = loggingSetting(registry_, kLogLevelValue);
    const std::wstring text = level.readText() ? level.text() : std::wstring();
    if (text == L"Debug") {
        debugButton_->setChecked(true);
    } else if (text == L"Info") {
        infoButton_->setChecked(true);
    } else {
        errorButton_->setChecked(true);
    }
    pageLayout_->addWidget(loggingGroup_, 1, 0);
}

void ErrorUtilitiesWidget::lookup(quint32 code) {
    codeEdit_->setText(QStringLiteral("0x") + QString::number(code, 16).toUpper());
    errorLookup();
}

void ErrorUtilitiesWidget::lookup(const QString& code) {
    codeEdit_->setText(code);
    errorLookup();
}

void ErrorUtilitiesWidget::errorLookup() {
    ErrorCodeCatalogue catalogue;
    buildErrorCodeCatalogue(catalogue);
    // A COM failure value is no catalogue code here; it finds nothing.
    const ErrorCodeInfo entry = catalogue[parseErrorCode(codeEdit_->text().toStdString())];
    comNameEdit_->setText(QString::fromStdString(entry.symbolicName));
    errorClassEdit_->setText(QString::fromStdString(entry.errorClass));
    commentEdit_->clear();
    commentEdit_->insertPlainText(QString::fromStdString(entry.comment));
    messageEdit_->clear();
    messageEdit_->insertPlainText(QString::fromStdString(entry.message));
}

void ErrorUtilitiesWidget::APILoggingChange(int state) {
    // The partly checked state means nothing to the components.
    if (state == Qt::Unchecked || state == Qt::Checked) {
        RegistrySetting apiLogging = loggingSetting(registry_, kApiLoggingValue);
        (void)apiLogging.writeFlag(state == Qt::Checked);
    }
}

void ErrorUtilitiesWidget::writeLogLevel(const wchar_t* level) {
    // Without the rights to change the machine's settings the write fails;
    // the button keeps its state and nothing is said.
    RegistrySetting setting = loggingSetting(registry_, kLogLevelValue);
    (void)setting.writeText(level);
}

void ErrorUtilitiesWidget::SetLogLevelToError() {
    writeLogLevel(L"Error");
}

void ErrorUtilitiesWidget::SetLogLevelToDebug() {
    writeLogLevel(L"Debug");
}

void ErrorUtilitiesWidget::SetLogLevelToInfo() {
    writeLogLevel(L"Info");
}
