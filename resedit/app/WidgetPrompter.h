// The prompter of the running program: message boxes and file dialogs.
#pragma once

#include "resedit/Prompter.h"

#include <QString>
#include <QStringList>

namespace resedit {

// Qt's form of a "name | pattern | ... ||" filter ("*.*" means every file).
QStringList qtNameFilters(std::string_view filter);

class WidgetPrompter final : public Prompter {
public:
    void message(std::string_view text) override;
    SaveChoice askSaveChanges(std::string_view fileName) override;
    std::optional<std::string> openFileName(const FileDialogRequest& request) override;
    std::optional<std::string> saveFileName(const FileDialogRequest& request) override;
    bool confirm(std::string_view question) override;
    std::optional<std::string> previewPicture() override;
};

QString toQString(std::string_view text);
std::string toUtf8(const QString& text);

} // namespace resedit
