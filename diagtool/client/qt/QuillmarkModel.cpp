#include "diagtool/client_qt/QuillmarkModel.h"

#include <QObject>

void registerMediaInformationMetaType() {
    qRegisterMetaType<QMRT::QMRT_MediaInformation>("QMRT::QMRT_MediaInformation");
}

QString downloadPage() {
    const QString overridden = qEnvironmentVariable("QUILLMARK_DOWNLOAD_PAGE");
    return overridden.isEmpty() ? QString::fromLatin1(kDefaultDownloadPage) : overridden;
}

UpdateTexts translatedUpdateTexts() {
    UpdateTexts texts;
    texts.updateErrorTitle = QObject::tr("Error updating Quillmark System Software",
                                         "Global Translations::Error updating QMS title");
    texts.updateErrorText =
        QObject::tr("An error occurred attempting to update your Quillmark System Software (QMS).\n\n"
                    "Please open your default Internet browser at %1 and download the latest version of "
                    "the QMS.",
                    "Global Translations::Error updating QMS text")
            .arg(downloadPage());
    return texts;
}

QString qStringFromAnsi(const std::string& text) {
    return QString::fromStdWString(QMRT::wideFromAnsi(text));
}

std::string ansiFromQString(const QString& text) {
    return QMRT::ansiFromWide(text.toStdWString());
}

QVector<DriveRecord> QuillmarkModel::enumerateDrives() const {
    QVector<DriveRecord> records;
    for (const QMRT::DriveInfo& drive : QMRT::enumerateDrives(create_)) {
        records.append(DriveRecord{qStringFromAnsi(drive.path), qStringFromAnsi(drive.displayName),
                                   qStringFromAnsi(drive.label), drive.validated});
    }
    return records;
}

std::unique_ptr<QMRT::QMRT_DiscPrinter>
QuillmarkModel::getQuillmarkDiscPrinterByPath(const QString& path) const {
    return QMRT::findDriveByPath(ansiFromQString(path), create_);
}

bool QuillmarkModel::detectMedia(const QString& path, QMRT::QMRT_MediaInformation& info,
                                 bool closeTray) const {
    return QMRT::detectMedia(ansiFromQString(path), info, closeTray, create_);
}

int QuillmarkModel::countDrives() const {
    return QMRT::countDrives(create_);
}

QString QuillmarkModel::getUpdateShellCommand() const {
    return qStringFromAnsi(QMRT::getUpdateShellCommand(create_));
}

void QuillmarkModel::launchUpdate(UrlOpener& opener, UpdatePrompter& prompter,
                                  const UpdateTexts& texts) const {
    const QString command = getUpdateShellCommand();
    const QUrl url(command.isEmpty() ? downloadPage() : command);
    if (!opener.openUrl(url)) {
        prompter.warning(texts.updateErrorTitle, texts.updateErrorText);
    }
}
