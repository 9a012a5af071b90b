#include "DiagtoolShell.h"

#include "MessagePrompter.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

DiagtoolShell::DiagtoolShell(std::unique_ptr<qmreplay::OpenMachine> machine, MainDialogServices services)
    : machine_(std::move(machine)), services_(std::move(services)) {
    showWindow();
}

DiagtoolShell::~DiagtoolShell() {
    // The window uses the machine's session: it goes first.
    window_.reset();
    machine_.reset();
}

void DiagtoolShell::showWindow() {
    MainDialogServices services = services_;
    qmreplay::OpenMachine* machine = machine_.get();
    services.bundleSource = [machine](std::string& error) { return machine->openSystem(error); };
    // Later: the window that asks is the one this replaces.
    services.openBundle = [this](const QString& file) {
        QMetaObject::invokeMethod(this, [this, file] { openBundle(file); }, Qt::QueuedConnection);
    };
    window_ = std::make_unique<MainDialog>(machine_->session().system(), machine_->session().checks(), services);
    window_->setBundleName(QString::fromStdString(machine_->bundleName()));
    window_->show();
}

bool DiagtoolShell::openBundle(const QString& file) {
    std::unique_ptr<qmreplay::BundleMachine> replayed;
    std::vector<std::string> mismatches;
    std::string error;
    {
        QProgressDialog progress(tr("Opening %1...").arg(file), QString(), 0, 0, window_.get());
        progress.setWindowTitle(tr("Open Support Bundle"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setCancelButton(nullptr);
        progress.show();
        // Reading and replaying touch only files: off this thread.
        QEventLoop loop;
        const std::filesystem::path bundle(file.toStdWString());
        std::unique_ptr<QThread> worker(QThread::create([&] {
            replayed = qmreplay::BundleMachine::open(bundle, error, mismatches, temporaryParent_);
        }));
        connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
        worker->start();
        loop.exec();
        worker->wait();
    }
    MessagePrompter* messages = services_.messages;
    WidgetMessagePrompter boxes;
    if (messages == nullptr) {
        messages = &boxes;
    }
    if (!replayed) {
        QString text = tr("The support bundle cannot be opened:\n%1").arg(fromUtf8(error));
        for (const std::string& mismatch : mismatches) {
            text += QStringLiteral("\n") + fromUtf8(mismatch);
        }
        messages->warning(window_.get(), tr("Open Support Bundle"), text);
        return false;
    }
    // The new window's session comes after the old one ends: sessions bind
    // COM to their machine in turn.
    const QPoint where = window_ ? window_->pos() : QPoint();
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    window_.reset();
    machine_.reset();
    machine_ = qmreplay::OpenMachine::openBundle(std::move(replayed), error);
    if (!machine_) {
        QApplication::setQuitOnLastWindowClosed(quitOnClose);
        messages->warning(nullptr, tr("Open Support Bundle"),
                          tr("The replayed machine cannot be opened:\n%1").arg(fromUtf8(error)));
        QApplication::quit();
        return false;
    }
    showWindow();
    window_->move(where);
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
    return true;
}
