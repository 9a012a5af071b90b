#include "diagtool/client_qt/DetectMediaThread.h"

DetectMediaThread::DetectMediaThread(const QString& drivePath, QObject* parent, QMRT::ServerCreator create)
    : QThread(parent), drivePath_(drivePath), create_(std::move(create)) {}

DetectMediaThread::~DetectMediaThread() {
    wait();
}

void DetectMediaThread::run() {
    const HRESULT initialised = CoInitialize(nullptr);
    QMRT::QMRT_MediaInformation info;
    const QuillmarkModel model(create_);
    const bool detected = model.detectMedia(drivePath_, info, true);
    emit mediaDetectionFinished(detected, info);
    if (SUCCEEDED(initialised)) {
        CoUninitialize();
    }
}
