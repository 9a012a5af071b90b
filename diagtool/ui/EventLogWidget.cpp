#include "EventLogWidget.h"

#include "diagtool/logs/EventLogRecord.h"
#include "EventLogTreeWidget.h"
#include "MessagePrompter.h"

#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <span>

EventLogWidget::EventLogWidget(qmplatform::System& system, MessagePrompter& prompter, QWidget* parent)
    : QWidget(parent), system_(system), prompter_(prompter) {
    setObjectName(QStringLiteral("EventLogWidget"));
    auto* layout = new QVBoxLayout(this);
    auto* controls = new QGroupBox(tr("Scan controls"), this);
    auto* row = new QHBoxLayout(controls);
    auto* scanButton = new QPushButton(tr("&Scan event log"), controls);
    auto* openButton = new QPushButton(tr("&Open log file..."), controls);
    openButton->setObjectName(QStringLiteral("openLogFile"));
    row->addWidget(scanButton);
    row->addWidget(openButton);
    row->addStretch(1);
    layout->addWidget(controls);

    filterEdit_ = new QLineEdit(this);
    filterEdit_->setObjectName(QStringLiteral("filterEdit"));
    filterEdit_->setPlaceholderText(tr("Show only events containing..."));
    filterEdit_->setClearButtonEnabled(true);
    layout->addWidget(filterEdit_);

    tree_ = new EventLogTreeWidget(this);
    layout->addWidget(tree_);

    connect(scanButton, &QPushButton::clicked, this, &EventLogWidget::scan);
    connect(openButton, &QPushButton::clicked, this, &EventLogWidget::openLogFile);
    connect(filterEdit_, &QLineEdit::textChanged, tree_, &EventLogTreeWidget::setFilter);
}

void EventLogWidget::scan() {
    tree_->clear();
    EventLogReader reader(system_);
    if (reader.readApplicationLog(tree_->records()) == EventLogReader::Status::CannotOpen) {
        prompter_.warning(tree_, tr("Event Log access error"),
                          tr("Could not open the Application event log."));
        return;
    }
    tree_->showRecords();
}

void EventLogWidget::openLogFile() {
    const QString path =
        prompter_.openFileName(this, tr("Open event log file"), tr("Event log files (*.evt);;All files (*)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        prompter_.warning(tree_, tr("Event Log access error"), tr("Could not open %1.").arg(path));
        return;
    }
    const QByteArray bytes = file.readAll();
    EventLogReader reader(system_);
    std::vector<EventLogRecord> records;
    std::string error;
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
    if (!reader.readSavedLog(data, records, error)) {
        prompter_.warning(tree_, tr("Event Log access error"),
                          tr("%1 is not an event log file: %2").arg(path, QString::fromStdString(error)));
        return;
    }
    tree_->clear();
    tree_->records() = std::move(records);
    tree_->showRecords();
}
