#include "WidgetPrompter.h"

#include "resedit/PreviewValues.h"
#include "resedit/Texts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace resedit {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QStringList qtNameFilters(std::string_view filter) {
    QStringList filters;
    for (const FilterEntry& entry : splitFilter(filter)) {
        QString patterns = toQString(entry.patterns);
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(toQString(entry.name), patterns);
    }
    return filters;
}

namespace {

std::optional<std::string> runFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(QApplication::activeWindow(), save ? QObject::tr("Save As") : QObject::tr("Open"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(qtNameFilters(request.filter));
    dialog.setDefaultSuffix(toQString(request.defaultExtension));
    if (!request.initialName.empty()) {
        dialog.selectFile(toQString(request.initialName));
    }
    // The editor asks itself, before creating a file as well as before replacing one.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return toUtf8(dialog.selectedFiles().constFirst());
}

} // namespace

void WidgetPrompter::message(std::string_view text) {
    QMessageBox::warning(QApplication::activeWindow(), toQString(kAppTitle), toQString(text));
}

SaveChoice WidgetPrompter::askSaveChanges(std::string_view fileName) {
    const auto answer = QMessageBox::question(
        QApplication::activeWindow(), toQString(kAppTitle),
        QObject::tr("The changes to %1 have not been saved. Save them?").arg(toQString(fileName)),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    switch (answer) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

bool WidgetPrompter::confirm(std::string_view question) {
    return QMessageBox::question(QApplication::activeWindow(), toQString(kAppTitle), toQString(question),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

std::optional<std::string> WidgetPrompter::openFileName(const FileDialogRequest& request) {
    return runFileDialog(request, false);
}

std::optional<std::string> WidgetPrompter::saveFileName(const FileDialogRequest& request) {
    return runFileDialog(request, true);
}

std::optional<std::string> WidgetPrompter::previewPicture() {
    QMessageBox box(QMessageBox::Question, toQString(kPreviewButtonText).remove(QStringLiteral("...")),
                    QStringLiteral("Which picture shall the preview burn? The label is made twice, with the values "
                                   "saved in the file and with the values shown, and jobview compares the two."),
                    QMessageBox::NoButton, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("preview-picture"));
    QPushButton* sample = box.addButton(QStringLiteral("Sample Label"), QMessageBox::AcceptRole);
    QPushButton* choose = box.addButton(QStringLiteral("Choose Picture..."), QMessageBox::ActionRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(sample);
    box.exec();
    if (box.clickedButton() == sample)
        return std::string();
    if (box.clickedButton() != choose)
        return std::nullopt;
    const QString path = QFileDialog::getOpenFileName(
        QApplication::activeWindow(), QStringLiteral("Picture"), QString(),
        QStringLiteral("Pictures (*.png *.jpg *.jpeg *.bmp *.gif);;All Files (*)"));
    if (path.isEmpty())
        return std::nullopt;
    return toUtf8(path);
}

} // namespace resedit
