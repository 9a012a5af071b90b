#include "ErrorFilesWidget.h"

#include "ErrorFilesTreeWidget.h"
#include "LiveProgress.h"
#include "MessagePrompter.h"
#include "TreeRows.h"
#include "diagtool/logs/ErrorLogReader.h"
#include "platform/ShellFolders.h"
#include "platform/System.h"
#include "platform/Win32Codes.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QtDebug>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// The system folders whose "\Quillmark\log" subfolder holds logs, in scan order.
constexpr int kLogFolderRoots[] = {qmplatform::kCsidlProgramFilesCommon, qmplatform::kCsidlLocalAppData,
                                   qmplatform::kCsidlCommonAppData};
constexpr const wchar_t* kLogSubfolders[] = {L"\\Quillmark", L"\\log"};

// A log file larger than this is not an error log the host software wrote.
constexpr std::uint64_t kMaxLogFileBytes = 256u << 20;

QString fromWide(const std::wstring& text) {
    return QString::fromStdWString(text);
}

} // namespace

ErrorFilesWidget::ErrorFilesWidget(ErrorJumpTarget* mainDialog, qmplatform::System& system,
                                   MessagePrompter& prompter, QWidget* parent)
    : QWidget(parent), mainDialog_(mainDialog), system_(system), prompter_(prompter) {
    setObjectName(QStringLiteral("ErrorFilesWidget"));
    auto* layout = new QVBoxLayout(this);
    auto* controls = new QGroupBox(tr("Scan controls"), this);
    auto* row = new QHBoxLayout(controls);
    scanButton_ = new QPushButton(tr("&Scan log files"), controls);
    levelsButton_ = new QRadioButton(QStringLiteral("Levels view"), controls);
    flatButton_ = new QRadioButton(QStringLiteral("Flat view"), controls);
    flatButton_->setChecked(true);
    row->addWidget(scanButton_);
    row->addWidget(levelsButton_);
    row->addWidget(flatButton_);
    row->addStretch(1);
    auto* exportButton = new QPushButton(tr("E&xport..."), controls);
    exportButton->setObjectName(QStringLiteral("exportRows"));
    row->addWidget(exportButton);
    layout->addWidget(controls);

    // Narrowing a long scan to what matters: a text and a log level.
    auto* filterRow = new QHBoxLayout;
    filterEdit_ = new QLineEdit(this);
    filterEdit_->setObjectName(QStringLiteral("filterEdit"));
    filterEdit_->setPlaceholderText(tr("Show only entries containing..."));
    filterEdit_->setClearButtonEnabled(true);
    levelFilter_ = new QComboBox(this);
    levelFilter_->setObjectName(QStringLiteral("levelFilter"));
    levelFilter_->addItem(tr("All levels"));
    filterRow->addWidget(filterEdit_, 1);
    filterRow->addWidget(levelFilter_);
    layout->addLayout(filterRow);

    tree_ = new ErrorFilesTreeWidget(mainDialog_, prompter_, this);
    layout->addWidget(tree_);

    connect(scanButton_, &QPushButton::clicked, this, &ErrorFilesWidget::scan);
    connect(levelsButton_, &QRadioButton::clicked, this, &ErrorFilesWidget::LevelsView);
    connect(flatButton_, &QRadioButton::clicked, this, &ErrorFilesWidget::FlatView);
    connect(exportButton, &QPushButton::clicked, this, &ErrorFilesWidget::exportRows);
    connect(filterEdit_, &QLineEdit::textChanged, this, &ErrorFilesWidget::applyFilter);
    connect(levelFilter_, &QComboBox::currentIndexChanged, this, &ErrorFilesWidget::applyFilter);
}

void ErrorFilesWidget::scan() {
    tree_->clearEntries();
    bool any = false;
    for (int csidl : kLogFolderRoots) {
        // Every folder is scanned whatever the one before gave.
        const bool scanned = scanFolder(csidl);
        any = any || scanned;
    }
    refreshLevels();
    if (any)
        rebuild();
    else
        qWarning("Cannot find a log file directory");
}

bool ErrorFilesWidget::scanFolder(int csidl) {
    std::wstring folder;
    if (system_.shellFolders().folderPath(csidl, folder) != 0) {
        prompter_.warning(this, tr("File error"), tr("Failed to get Program Files\\Common Files path"));
        return false;
    }
    for (const wchar_t* sub : kLogSubfolders) {
        if (!qmplatform::pathAppend(folder, sub))
            return false;
    }
    std::vector<qmplatform::FolderEntry> entries;
    if (!system_.files().listFolder(folder, entries))
        return false;
    // Files only: a link may lead anywhere, and a log folder holds the
    // components' own files.
    std::erase_if(entries, [](const qmplatform::FolderEntry& e) { return e.isFolder || e.isLink; });
    // Newest first; the name settles equal times so that a scan is repeatable.
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.lastWriteTime != b.lastWriteTime ? a.lastWriteTime > b.lastWriteTime : a.name < b.name;
    });

    LiveProgress progress(this, tr("Scanning error logs..."), static_cast<int>(entries.size()));
    const QString rootName = QString::fromLatin1(kQuillmarkLogRoot);
    // Files are opened, and named to the user, by the folder's canonical
    // path in Qt's form ("C:/Program Files/.../log/name.xml").
    std::wstring canonical;
    if (!system_.files().canonicalPath(folder, canonical))
        canonical = folder;
    std::replace(canonical.begin(), canonical.end(), L'\\', L'/');
    for (std::size_t i = 0; i < entries.size(); ++i) {
        progress.setValue(static_cast<int>(i));
        const std::wstring path = canonical + L"/" + entries[i].name;
        std::vector<std::uint8_t> bytes;
        if (qmplatform::readWholeFile(system_.files(), path, bytes, kMaxLogFileBytes) !=
            qmplatform::WholeFile::Read) {
            prompter_.warning(this, tr("Quillmark Error Log Parser"),
                              tr("Cannot read file %1").arg(fromWide(path)));
            return false;
        }
        const QByteArray content = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                           static_cast<qsizetype>(bytes.size()));
        tree_->addLogFile(content, fromWide(entries[i].name), rootName);
    }
    return true;
}

void ErrorFilesWidget::LevelsView() {
    flatView_ = false;
    // The buttons show the view also when it is chosen from elsewhere.
    levelsButton_->setChecked(true);
    tree_->showLevels();
}

void ErrorFilesWidget::FlatView() {
    flatView_ = true;
    flatButton_->setChecked(true);
    tree_->showFlat();
}

void ErrorFilesWidget::rebuild() {
    if (flatView_)
        tree_->showFlat();
    else
        tree_->showLevels();
}

void ErrorFilesWidget::refreshLevels() {
    const QString current = levelFilter_->currentIndex() > 0 ? levelFilter_->currentText() : QString();
    QStringList levels;
    for (const ErrorLogEntry& e : tree_->entries()) {
        if (!levels.contains(e.logLevel))
            levels << e.logLevel;
    }
    const QSignalBlocker block(levelFilter_);
    levelFilter_->clear();
    levelFilter_->addItem(tr("All levels"));
    levelFilter_->addItems(levels);
    const int keep = levelFilter_->findText(current);
    levelFilter_->setCurrentIndex(keep > 0 ? keep : 0);
    tree_->setFilter(filterEdit_->text(), keep > 0 ? current : QString());
}

void ErrorFilesWidget::applyFilter() {
    tree_->setFilter(filterEdit_->text(),
                     levelFilter_->currentIndex() > 0 ? levelFilter_->currentText() : QString());
}

void ErrorFilesWidget::exportRows() {
    exportShownRows(this, *tree_, prompter_);
}
