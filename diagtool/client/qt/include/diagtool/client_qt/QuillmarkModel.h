// The labelling operations the diagnostics need, in Qt types, over the
// Qt-free drive core. No state but the way to the server.
#pragma once

#include "diagtool/client/DriveCore.h"

#include <QMetaType>
#include <QString>
#include <QUrl>
#include <QVector>

#include <memory>

Q_DECLARE_METATYPE(QMRT::QMRT_MediaInformation)

// Registers the record under "QMRT::QMRT_MediaInformation" for queued signals.
void registerMediaInformationMetaType();

// One enumerated drive.
struct DriveRecord {
    QString path;
    QString displayName;
    QString label;
    bool validated = false;
};

// Opens web addresses (the desktop's browser in the program, a recorder in
// tests; ui/UpdateServices.h has the program's).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};

// Shows the update warning (a message box in the program).
class UpdatePrompter {
public:
    virtual ~UpdatePrompter() = default;
    virtual void warning(const QString& title, const QString& text) = 0;
};

// The update warning's texts, translated when they are made: make them after
// the program has installed its translators, and hand them to whoever warns.
struct UpdateTexts {
    QString updateErrorTitle;
    QString updateErrorText;
};
UpdateTexts translatedUpdateTexts();

// The maker's download page of the Windows host software, opened when the
// server names no update command. QUILLMARK_DOWNLOAD_PAGE overrides it.
inline constexpr const char* kDefaultDownloadPage = "https://www.quillmark.com/downloads/qms/windows/";
QString downloadPage();

class QuillmarkModel {
public:
    explicit QuillmarkModel(QMRT::ServerCreator create = QMRT::createDiscPrintMgr)
        : create_(std::move(create)) {}

    QVector<DriveRecord> enumerateDrives() const;
    std::unique_ptr<QMRT::QMRT_DiscPrinter> getQuillmarkDiscPrinterByPath(const QString& path) const;
    bool detectMedia(const QString& path, QMRT::QMRT_MediaInformation& info, bool closeTray) const;
    int countDrives() const;
    QString getUpdateShellCommand() const;
    // Opens the server's update command, or the download page when it has
    // none; warns when that cannot be opened. A QMRT_Exception from the
    // server reaches the caller.
    void launchUpdate(UrlOpener& opener, UpdatePrompter& prompter, const UpdateTexts& texts) const;

    const QMRT::ServerCreator& creator() const { return create_; }

private:
    QMRT::ServerCreator create_;
};

QString qStringFromAnsi(const std::string& text);
std::string ansiFromQString(const QString& text);
