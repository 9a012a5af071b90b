#include "WidgetPrompter.h"

#include <QFileDialog>
#include <QMessageBox>

#include "JobViewResources.h"
#include "PictureFile.h"
#include "StatisticsDialog.h"

using namespace jobview;

namespace {

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

void WidgetPrompter::showMessage(const std::string& message) {
    QMessageBox::information(owner, text(kAppName), QString::fromStdString(message));
}

void WidgetPrompter::showStatistics(const JobStatistics& statistics) {
    StatisticsDialog dialog(statistics, owner);
    dialog.exec();
}

QString WidgetPrompter::chooseFileToOpen() {
    return QFileDialog::getOpenFileName(owner, QString(), QString(), text(kOpenFilter));
}

QString WidgetPrompter::choosePictureFile() {
    QString filter;
    QString path = QFileDialog::getSaveFileName(owner, QString(), QString(), text(kSaveFilter), &filter);
    // A name typed without an extension takes the chosen filter's.
    if (!path.isEmpty() && pictureFormatForPath(path) == PictureFormat::Unknown)
        path += filter.contains(QLatin1String("bmp")) ? QStringLiteral(".bmp") : QStringLiteral(".png");
    return path;
}

QString WidgetPrompter::chooseFileToCompare() {
    return QFileDialog::getOpenFileName(owner, QStringLiteral("Compare With"), QString(), text(kOpenFilter));
}

void WidgetPrompter::showCompareSummary(const QString& summary) {
    QMessageBox box(QMessageBox::Information, text(kCompareSummaryCaption), summary, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("compare-summary"));
    // Monospace keeps the rings' columns in line.
    box.setStyleSheet(QStringLiteral("QLabel { font-family: monospace; }"));
    box.exec();
}

void WidgetPrompter::showError(const QString& message) {
    QMessageBox::warning(owner, text(kAppName), message);
}
