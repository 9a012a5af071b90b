#include "CJobViewApp.h"

#include "CMainFrame.h"

using namespace jobview;

namespace {

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

CJobViewApp::CJobViewApp() : settings(text(kRegistryKey), text(kAppName)), document(prompter) {}

CJobViewApp::~CJobViewApp() = default;

bool CJobViewApp::InitInstance(const QString& file, const QString& compareWith) {
    frame = std::make_unique<CMainFrame>(document, prompter, settings);
    prompter.setParent(frame.get());
    frame->show();
    if (!file.isEmpty() && frame->openFile(file) && !compareWith.isEmpty())
        frame->compareWithFile(compareWith);
    return true;
}
