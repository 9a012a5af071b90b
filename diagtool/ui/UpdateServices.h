// The update launcher's ways out of the program: the desktop's browser and a
// warning box.
#pragma once

#include "diagtool/client_qt/QuillmarkModel.h"

class DesktopUrlOpener final : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override;
};

class MessageBoxUpdatePrompter final : public UpdatePrompter {
public:
    void warning(const QString& title, const QString& text) override;
};
