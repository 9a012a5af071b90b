#pragma once

// What diagtool shows: one main window on one machine. Opening a support
// bundle replays it into a temporary folder first (away from the event
// loop's thread, with a busy bar); only when that succeeds does the window
// on the old machine go, its session end and its temporary folder (if it
// was a bundle) go with it, and a new window on the replayed machine take
// its place. A refused bundle leaves everything as it was and shows why.

#include "MainDialog.h"

#include "diagtool/replay/OpenMachine.h"

#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>

class DiagtoolShell : public QObject {
    Q_OBJECT
public:
    // `services` go to every window; their bundle members are the shell's.
    DiagtoolShell(std::unique_ptr<qmreplay::OpenMachine> machine, MainDialogServices services = {});
    ~DiagtoolShell() override;

    MainDialog* window() const { return window_.get(); }
    qmreplay::OpenMachine& machine() const { return *machine_; }
    // Where replayed bundles get their folders; the system's temporary folder when empty.
    void setTemporaryParent(const std::filesystem::path& parent) { temporaryParent_ = parent; }

    // False, with the reader's reason shown, when the bundle is refused.
    bool openBundle(const QString& file);

private:
    void showWindow();

    std::unique_ptr<qmreplay::OpenMachine> machine_;
    MainDialogServices services_;
    std::unique_ptr<MainDialog> window_;
    std::filesystem::path temporaryParent_;
};
