#include "EventLogWidget.h"

#include "EventLogView.h"
#include "LiveProgress.h"
#include "MessagePrompter.h"
#include "TreeRows.h"
#include "diagtool/logs/EventLogRecord.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <span>

namespace {

std::string utf8(const QString& text) {
    return text.toStdString();
}

} // namespace

EventLogWidget::EventLogWidget(qmplatform::System& system, MessagePrompter& prompter, QWidget* parent)
    : QWidget(parent), system_(system), prompter_(prompter) {
    setObjectName(QStringLiteral("EventLogWidget"));
    auto* layout = new QVBoxLayout(this);
    auto* controls = new QGroupBox(tr("Scan controls"), this);
    auto* row = new QHBoxLayout(controls);
    auto* scanButton = new QPushButton(tr("&Scan event log"), controls);
    auto* openButton = new QPushButton(tr("&Open log file..."), controls);
    openButton->setObjectName(QStringLiteral("openLogFile"));
    auto* exportButton = new QPushButton(tr("E&xport..."), controls);
    exportButton->setObjectName(QStringLiteral("exportRows"));
    scopeBox_ = new QComboBox(controls);
    scopeBox_->setObjectName(QStringLiteral("scopeBox"));
    // In the order of SourceScope.
    scopeBox_->addItem(tr("QuillmarkService only"));
    scopeBox_->addItem(tr("All sources"));
    scopeBox_->setEnabled(false);
    row->addWidget(scanButton);
    row->addWidget(openButton);
    row->addWidget(scopeBox_);
    row->addStretch(1);
    row->addWidget(exportButton);
    layout->addWidget(controls);

    filterEdit_ = new QLineEdit(this);
    filterEdit_->setObjectName(QStringLiteral("filterEdit"));
    filterEdit_->setPlaceholderText(tr("Show only events containing..."));
    filterEdit_->setClearButtonEnabled(true);
    layout->addWidget(filterEdit_);

    tree_ = new EventLogView(this);
    layout->addWidget(tree_);
    // The service's scan lists one source; its column shows for files.
    tree_->setColumnHidden(EventLogView::SourceColumn, true);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);
    showStatus();

    connect(scanButton, &QPushButton::clicked, this, &EventLogWidget::scan);
    connect(openButton, &QPushButton::clicked, this, &EventLogWidget::openLogFile);
    connect(exportButton, &QPushButton::clicked, this, &EventLogWidget::exportRows);
    connect(filterEdit_, &QLineEdit::textChanged, tree_, &EventLogView::setFilter);
    connect(scopeBox_, &QComboBox::currentIndexChanged, this,
            [this](int index) { tree_->setScope(static_cast<SourceScope>(index)); });
    connect(tree_, &EventLogView::shownChanged, this, &EventLogWidget::showStatus);
}

QString EventLogWidget::statusText() const {
    return status_->text();
}

void EventLogWidget::setScopeChoice(SourceScope scope, bool choosable) {
    const QSignalBlocker block(scopeBox_);
    scopeBox_->setCurrentIndex(static_cast<int>(scope));
    scopeBox_->setEnabled(choosable);
    tree_->setScope(scope);
}

void EventLogWidget::showStatus() {
    if (!listed_ && listing_.problem.empty()) {
        status_->setText(QString::fromUtf8(kNothingListedYet));
        return;
    }
    ListingStatus now = listing_;
    now.shown = static_cast<std::size_t>(tree_->shownCount());
    now.scope = tree_->scope();
    status_->setText(QString::fromStdString(statusLine(now)));
}

void EventLogWidget::scan() {
    tree_->clear();
    EventLogReader reader(system_);
    std::vector<EventLogRecord> records;
    const EventLogReader::Status status = reader.readApplicationLog(records);
    listing_ = {};
    listed_ = status == EventLogReader::Status::Read;
    listing_.origin = "the Application log";
    listing_.total = reader.recordsSeen();
    tree_->setColumnHidden(EventLogView::SourceColumn, true);
    setScopeChoice(SourceScope::QuillmarkService, false);
    if (status == EventLogReader::Status::CannotOpen) {
        listing_.problem = "The Application log cannot be opened";
        showStatus();
        prompter_.warning(tree_, tr("Event Log access error"),
                          tr("Could not open the Application event log."));
        return;
    }
    tree_->showRecords(std::move(records));
}

void EventLogWidget::openLogFile() {
    const QString path = prompter_.openFileName(this, tr("Open event log file"),
                                                tr("Event log files (*.evt *.evtx);;All files (*)"));
    if (!path.isEmpty())
        openLog(path);
}

bool EventLogWidget::openLog(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    auto refuse = [&](const QString& reason) {
        listing_.problem = utf8(reason);
        showStatus();
        prompter_.warning(tree_, tr("Event Log access error"), reason);
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(tr("%1 cannot be read: %2").arg(name, file.errorString()));
    const QByteArray bytes = file.readAll();
    file.close();
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
    EventLogReader reader(system_);
    CustomerLog log;
    std::string error;
    CustomerLogRead read;
    {
        LiveProgress progress(this, tr("Reading %1...").arg(name), kProgressSteps,
                              LiveProgress::kUpdateEveryMs, LiveProgress::Cancel::Yes);
        read = readCustomerLog(reader, data, log, error, [&](double share) {
            progress.setValue(static_cast<int>(share * kProgressSteps));
            return !progress.wasCanceled();
        });
    }
    if (read == CustomerLogRead::Cancelled) {
        listing_.problem = utf8(tr("Reading %1 cancelled").arg(name));
        showStatus();
        return false;
    }
    if (read == CustomerLogRead::NotALog)
        return refuse(tr("%1 is not an event log file: %2").arg(name, QString::fromStdString(error)));

    listing_ = {};
    listed_ = true;
    listing_.origin = utf8(name);
    listing_.total = log.rows.size();
    listing_.chunksSkipped = log.chunksSkipped;
    listing_.recordsSkipped = log.recordsSkipped;
    tree_->setColumnHidden(EventLogView::SourceColumn, false);
    // A customer's file is read for everything in it; the choice narrows it.
    setScopeChoice(SourceScope::AllSources, true);
    tree_->showRecords(std::move(log.rows));
    return true;
}

void EventLogWidget::exportRows() {
    exportShownRows(this, *tree_, prompter_);
}
