#pragma once

// The "Diagnostics" page: the versions of the installed host software and
// its drive resource files, registry reports of its settings and of the
// Windows settings it depends on, and one line per drive with its media.
// Everything shown comes from the system checks and the drive scan; the
// page only places it.

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QTextEdit;
class WindowsDiagnostics;

namespace qmplatform {
class TextCodec;
}

// The drive-and-media scan; modal while it runs.
using DriveScanner = std::function<QStringList()>;

class DiagnosticsWidget : public QWidget {
    Q_OBJECT
public:
    // A null scanner means the system checks' own scan of the real drives.
    explicit DiagnosticsWidget(WindowsDiagnostics& checks, QWidget* parent = nullptr, DriveScanner scan = {});
    ~DiagnosticsWidget() override;

    QLabel* qmsVersionLabel() const { return qmsVersionLabel_; }
    QLabel* drfVersionLabel() const { return drfVersionLabel_; }
    QTextEdit* qmsSettingsBox() const { return qmsSettingsBox_; }
    QTextEdit* systemSettingsBox() const { return systemSettingsBox_; }
    QTextEdit* drivesBox() const { return drivesBox_; }
    QPushButton* systemInfoButton() const { return systemInfoButton_; }
    QPushButton* scanButton() const { return scanButton_; }
    QPushButton* clearButton() const { return clearButton_; }

public slots:
    void PerformDiagnostics();
    void ClearDiagnosticsInfoOnGUI();
    void ScanDrivesAndMedia();

private:
    QGroupBox* addGroup(const QString& title, int row);
    QTextEdit* readOnlyBox(QWidget* parent);
    QString shown(const std::wstring& text) const;

    WindowsDiagnostics& checks_;
    DriveScanner scan_;
    std::wstring qmsVersion;
    std::wstring drfVersion;

    QGridLayout* layout_ = nullptr;
    QLabel* qmsVersionLabel_ = nullptr;
    QLabel* drfVersionLabel_ = nullptr;
    QTextEdit* qmsSettingsBox_ = nullptr;
    QTextEdit* systemSettingsBox_ = nullptr;
    QTextEdit* drivesBox_ = nullptr;
    QPushButton* systemInfoButton_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
};
