// Examines one drive off the GUI thread, with COM of its own, and hands the
// media record back by a queued signal that copies it.
#pragma once

#include "diagtool/client_qt/QuillmarkModel.h"

#include <QThread>

class DetectMediaThread : public QThread {
    Q_OBJECT
public:
    DetectMediaThread(const QString& drivePath, QObject* parent = nullptr,
                      QMRT::ServerCreator create = QMRT::createDiscPrintMgr);
    // Waits for the detection, however long the drive takes.
    ~DetectMediaThread() override;

signals:
    void mediaDetectionFinished(bool mediaDetected, QMRT::QMRT_MediaInformation mediaInfo);

protected:
    void run() override;

private:
    QString drivePath_;
    QMRT::ServerCreator create_;
};
