#include "SaveBundleDialog.h"

#include "MessagePrompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <chrono>
#include <memory>

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A busy bar for work that gives no steps; shown at once, since the work
// that follows holds the event loop.
std::unique_ptr<QProgressDialog> busy(QWidget* owner, const QString& label) {
    auto dialog = std::make_unique<QProgressDialog>(label, QString(), 0, 0, owner);
    dialog->setWindowTitle(QObject::tr("Support Bundle"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(0);
    dialog->setCancelButton(nullptr);
    dialog->show();
    QApplication::processEvents();
    return dialog;
}

} // namespace

SaveBundleDialog::SaveBundleDialog(qmbundle::SystemOpener openSystem, MessagePrompter& messages,
                                   QWidget* parent, std::function<std::int64_t()> now)
    : QDialog(parent), openSystem_(std::move(openSystem)), messages_(messages), now_(std::move(now)),
      folder_(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)) {
    setWindowTitle(tr("Save Support Bundle"));
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel(tr("The support bundle will hold what the checks, the pages and the probes read on "
                      "this machine. Nothing is sent anywhere."),
                   this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    tree_ = new QTreeWidget(this);
    tree_->setColumnCount(3);
    tree_->setHeaderLabels({tr("Entry"), tr("Size"), tr("What it is")});
    tree_->setRootIsDecorated(true);
    layout->addWidget(tree_, 1);

    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary_);

    redact_ = new QCheckBox(tr("Replace user name, computer name and user SIDs by placeholders"), this);
    layout->addWidget(redact_);
    connect(redact_, &QCheckBox::toggled, this, [this] { collect(); });

    auto* buttons = new QDialogButtonBox(this);
    saveButton_ = buttons->addButton(tr("&Save..."), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(saveButton_, &QPushButton::clicked, this, [this] {
        if (save()) {
            accept();
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 520);
}

bool SaveBundleDialog::collect() {
    qmbundle::BundleOptions options;
    options.redact = redact_->isChecked();
    options.now = now_ ? now_()
                       : std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    std::string error;
    bool collected = false;
    {
        const auto progress = busy(this, tr("Collecting what the support bundle holds..."));
        // On this thread: the labelling API's drives are reached through COM here.
        collected = qmbundle::collectFromMachine(openSystem_, options, contents_, error);
    }
    if (!collected) {
        contents_ = {};
        plan_ = {};
        showPlan();
        messages_.warning(this, tr("Save Support Bundle"),
                          tr("The support bundle cannot be collected: %1").arg(fromUtf8(error)));
        return false;
    }
    plan_ = qmbundle::planSupportBundle(contents_);
    showPlan();
    return true;
}

void SaveBundleDialog::showPlan() {
    tree_->clear();
    for (const qmbundle::PlanGroup& group : plan_.groups) {
        auto* top = new QTreeWidgetItem(tree_);
        top->setText(0, fromUtf8(group.description) + QStringLiteral(" (%1)").arg(group.entries.size()));
        top->setText(1, fromUtf8(qmbundle::sizeText(group.bytes)));
        top->setData(0, Qt::UserRole, fromUtf8(group.kind));
        for (const qmbundle::PlanEntry& entry : group.entries) {
            auto* row = new QTreeWidgetItem(top);
            row->setText(0, fromUtf8(entry.name));
            row->setText(1, fromUtf8(qmbundle::sizeText(entry.bytes)));
            row->setText(2, fromUtf8(entry.what));
        }
    }
    tree_->expandAll();
    tree_->resizeColumnToContents(0);
    tree_->resizeColumnToContents(1);
    QString text = fromUtf8(qmbundle::planSummary(plan_));
    for (const std::string& note : plan_.notes) {
        text += QStringLiteral("\n") + fromUtf8(note);
    }
    summary_->setText(text);
    saveButton_->setEnabled(plan_.entryCount != 0);
}

QString SaveBundleDialog::suggestedPath() const {
    return QDir(folder_).filePath(
        fromUtf8(qmbundle::defaultBundleFileName(plan_.computerName, contents_.created)));
}

bool SaveBundleDialog::save() {
    const QString file = messages_.saveFileName(this, tr("Save Support Bundle"), suggestedPath(),
                                                tr("Support bundles (*.zip)"), nullptr);
    if (file.isEmpty()) {
        return false;
    }
    const std::filesystem::path path(file.toStdWString());
    std::string error;
    bool written = false;
    {
        // Deflating a large bundle takes a while: off this thread, with the
        // bar moving. The contents are the collected ones and stay as they are.
        const auto progress = busy(this, tr("Writing %1...").arg(file));
        QEventLoop loop;
        std::unique_ptr<QThread> writer(
            QThread::create([&] { written = qmbundle::saveSupportBundle(path, contents_, saved_, error); }));
        connect(writer.get(), &QThread::finished, &loop, &QEventLoop::quit);
        writer->start();
        loop.exec();
        writer->wait();
    }
    if (!written) {
        messages_.warning(this, tr("Save Support Bundle"),
                          tr("The support bundle was not written to %1:\n%2").arg(file, fromUtf8(error)));
        return false;
    }
    messages_.information(this, tr("Save Support Bundle"), fromUtf8(qmbundle::savedSummary(saved_)));
    return true;
}
