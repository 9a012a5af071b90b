// Shown while one drive is examined: no frame, an endless busy bar, and no
// way for the user to close it; it ends when its worker thread has finished.
#pragma once

#include "diagtool/client_qt/QuillmarkModel.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QVBoxLayout;
class DetectMediaThread;

class DetectMediaDialog : public QDialog {
    Q_OBJECT
public:
    explicit DetectMediaDialog(const QString& drivePath, QWidget* parent = nullptr,
                               QMRT::ServerCreator create = QMRT::createDiscPrintMgr);
    ~DetectMediaDialog() override;

    QLabel* messageLabel() const { return label_; }
    QProgressBar* progressBar() const { return bar_; }

signals:
    void mediaDetectComplete(bool mediaDetected, QMRT::QMRT_MediaInformation mediaInfo);

public slots:
    void on_MediaDetectionFinished(bool mediaDetected, QMRT::QMRT_MediaInformation mediaInfo);
    void on_MediaDetectionThreadFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* label_;
    QProgressBar* bar_;
    QVBoxLayout* layout_;
    DetectMediaThread* thread_;
    bool mediaDetected_ = false;
    QString drivePath_;
};
