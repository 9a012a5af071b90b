#pragma once

// The simple view: one guided check of the installation, shown as a
// coloured status text, with buttons to check again, close, fetch the QMS
// and restart Windows after a fix.

#include <QWidget>

#include "diagtool/client_qt/QuillmarkModel.h"

#include <memory>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QuestionPrompter;
class WindowsDiagnostics;

class SimpleDiagnosticsWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Quillmark Diagnostic Utility";
    static constexpr const char* kLogo = ":/content/images/qmLogoSmaller.png";

    // Runs the check at once, so its questions come before the window shows.
    // A null prompter asks with real message boxes.
    explicit SimpleDiagnosticsWidget(WindowsDiagnostics& checks, QWidget* parent = nullptr,
                                     QuestionPrompter* prompter = nullptr);
    ~SimpleDiagnosticsWidget() override;

    // How "Get Quillmark System Software" reaches the server, the browser and
    // the user; the program's defaults until replaced (tests record them).
    void setUpdateServices(std::unique_ptr<QuillmarkModel> model, UrlOpener* opener,
                           UpdatePrompter* prompter);

    QLabel* statusLabel() const { return statusLabel_; }
    QLabel* logoLabel() const { return logoLabel_; }
    QPushButton* recheckButton() const { return recheckButton_; }
    QPushButton* closeButton() const { return closeButton_; }
    QPushButton* getQmsButton() const { return getQmsButton_; }
    QPushButton* restartButton() const { return restartButton_; }

public slots:
    bool on_checkStatus();
    void on_rebootWindows();
    void on_close();
    void on_getQMS();

private:
    class Bridge;

    WindowsDiagnostics& checks_;
    QuestionPrompter* prompter_;
    std::unique_ptr<QuestionPrompter> ownPrompter_;
    std::unique_ptr<QuillmarkModel> model_;
    std::unique_ptr<UrlOpener> ownOpener_;
    std::unique_ptr<UpdatePrompter> ownUpdatePrompter_;
    UrlOpener* opener_ = nullptr;
    UpdatePrompter* updatePrompter_ = nullptr;
    UpdateTexts updateTexts_;

    QGridLayout* layout_ = nullptr;
    QHBoxLayout* statusRow_ = nullptr;
    QHBoxLayout* buttonRow_ = nullptr;
    QLabel* logoLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QPushButton* recheckButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QPushButton* getQmsButton_ = nullptr;
    QPushButton* restartButton_ = nullptr;
};
