#pragma once

// The "Utilities" page: looking up an error code of the labelling system, and
// the two registry values that decide how much its components log.

#include <QWidget>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace qmplatform {
class Registry;
}

class ErrorUtilitiesWidget : public QWidget {
    Q_OBJECT

public:
    // The page has no parent of its own: the main dialog's tab widget adopts
    // it, so the dialog is named but not kept. The logging options are read
    // from and written to `registry`.
    explicit ErrorUtilitiesWidget(qmplatform::Registry& registry, QWidget* mainDialog = nullptr);

    // Shows the entry of `code` as if the user had typed it, for pages that
    // send the user here with a code.
    void lookup(quint32 code);
    // The same with the code as another page shows it (decimal, "0" octal or
    // "0x" hexadecimal): it goes into the field as it stands.
    void lookup(const QString& code);

public slots:
    void errorLookup();
    void APILoggingChange(int state);
    void SetLogLevelToError();
    void SetLogLevelToDebug();
    void SetLogLevelToInfo();

private:
    void buildLookupGroup();
    void buildLoggingGroup();
    void writeLogLevel(const wchar_t* level);

    qmplatform::Registry& registry_;

    QGridLayout* pageLayout_ = nullptr;
    QGroupBox* lookupGroup_ = nullptr;
    QGridLayout* lookupLayout_ = nullptr;
    QLabel* codeLabel_ = nullptr;
    QLabel* comNameLabel_ = nullptr;
    QLabel* errorClassLabel_ = nullptr;
    QLabel* commentLabel_ = nullptr;
    QLabel* messageLabel_ = nullptr;
    QLineEdit* codeEdit_ = nullptr;
    QLineEdit* comNameEdit_ = nullptr;
    QLineEdit* errorClassEdit_ = nullptr;
    QPlainTextEdit* commentEdit_ = nullptr;
    QPlainTextEdit* messageEdit_ = nullptr;
    QPushButton* displayButton_ = nullptr;

    QGroupBox* loggingGroup_ = nullptr;
    QGridLayout* loggingLayout_ = nullptr;
    QCheckBox* apiLoggingBox_ = nullptr;
    QRadioButton* errorButton_ = nullptr;
    QRadioButton* infoButton_ = nullptr;
    QRadioButton* debugButton_ = nullptr;
};
