#include "DetectMediaDialog.h"

#include "diagtool/client_qt/DetectMediaThread.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

DetectMediaDialog::DetectMediaDialog(const QString& drivePath, QWidget* parent, QMRT::ServerCreator create)
    : QDialog(parent, Qt::FramelessWindowHint), drivePath_(drivePath) {
    label_ = new QLabel(
        QStringLiteral("Drive ") + drivePath + QStringLiteral(": ") +
        tr("Detecting Media. Please wait...", "Detect Media Progress Dialog::Detecting Media label"));
    label_->setWordWrap(false);
    bar_ = new QProgressBar;
    bar_->setMinimum(0);
    bar_->setMaximum(0);
    layout_ = new QVBoxLayout;
    layout_->addWidget(label_);
    layout_->addWidget(bar_);
    setLayout(layout_);

    thread_ = new DetectMediaThread(drivePath, nullptr, std::move(create));
    registerMediaInformationMetaType();
    connect(thread_, &DetectMediaThread::mediaDetectionFinished, this,
            &DetectMediaDialog::on_MediaDetectionFinished, Qt::QueuedConnection);
    connect(thread_, &QThread::finished, this, &DetectMediaDialog::on_MediaDetectionThreadFinished,
            Qt::QueuedConnection);
    thread_->start(QThread::InheritPriority);
}

DetectMediaDialog::~DetectMediaDialog() {
    delete thread_;
}

void DetectMediaDialog::on_MediaDetectionFinished(bool mediaDetected, QMRT::QMRT_MediaInformation mediaInfo) {
    if (mediaDetected) {
        mediaDetected_ = true;
        emit mediaDetectComplete(true, mediaInfo);
    }
}

void DetectMediaDialog::on_MediaDetectionThreadFinished() {
    done(mediaDetected_ ? 0 : 1);
}

void DetectMediaDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void DetectMediaDialog::keyPressEvent(QKeyEvent* event) {
    event->ignore();
}
