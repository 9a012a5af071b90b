#include "EditorDialog.h"

#include "CAboutDlg.h"
#include "DialogSupport.h"
#include "LabelPreviewRun.h"
#include "WidgetPrompter.h"

#include "resedit/Texts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QProcess>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace resedit {

namespace {

QLabel* makeLabel(QWidget* parent, int id, std::string_view text) {
    auto* label = new QLabel(toQString(text), parent);
    if (id != 0) {
        label->setObjectName(idName(id));
    }
    return label;
}

QPushButton* makeButton(QWidget* parent, const Heading& h) {
    auto* button = new QPushButton(toQString(h.text), parent);
    button->setObjectName(idName(h.id));
    button->setAutoDefault(false);
    return button;
}

// A group holding more fields than this is laid out in two columns.
constexpr int kFieldsPerColumn = 8;

} // namespace

EditorDialog::EditorDialog(EditorKind kind, const QString& drfPath, Prompter& prompter, NextDrfPaths& next,
                           QWidget* parent)
    : QDialog(parent), session_(kind, prompter, next), prompter_(prompter) {
    const EditorLayout& layout = session_.layout();
    setObjectName(idName(layout.resourceId));
    setFont(dialogFont(layout.dialogFont));
    setWindowTitle(toQString(kAppTitle) + QStringLiteral("[*]"));
    setWindowIcon(programIcon());
    setAcceptDrops(true);
    buildControls();
    applyFonts();
    refresh();
    openDrf(drfPath);
}

// ---- building ----------------------------------------------------------------

void EditorDialog::buildControls() {
    const EditorLayout& layout = session_.layout();
    auto* root = new QVBoxLayout(this);

    // The About item of the system menu, which Linux window managers lack.
    auto* menus = new QMenuBar(this);
    QMenu* helpMenu = menus->addMenu(tr("&Help"));
    QAction* about = helpMenu->addAction(toQString(kAboutMenuText));
    about->setObjectName(idName(kAboutCommandId));
    connect(about, &QAction::triggered, this, [this] { showAboutBox(this); });
    root->setMenuBar(menus);

    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(makeLabel(this, layout.title.id, layout.title.text));
    titleRow->addStretch(1);
    titleRow->addWidget(makeLabel(this, layout.version.id, layout.version.text), 0, Qt::AlignTop);
    root->addLayout(titleRow);
    root->addWidget(makeLabel(this, layout.subtitle.id, layout.subtitle.text));

    // Lists and file information on the left, the help text on the right.
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* lists = new QGridLayout;
    lists->addWidget(makeLabel(this, layout.mediaLabel.id, layout.mediaLabel.text), 0, 0);
    media_ = new QComboBox(this);
    media_->setObjectName(idName(layout.media));
    media_->setMinimumContentsLength(28);
    lists->addWidget(media_, 0, 1);
    lists->addWidget(makeLabel(this, layout.qualityLabel.id, layout.qualityLabel.text), 1, 0);
    quality_ = new QComboBox(this);
    quality_->setObjectName(idName(layout.quality));
    // Unlike the media list, the user may type a quality. The typed text
    // counts as it stands: no completion to a name, no new list entry.
    quality_->setEditable(true);
    quality_->setInsertPolicy(QComboBox::NoInsert);
    quality_->setCompleter(nullptr);
    lists->addWidget(quality_, 1, 1);
    left->addLayout(lists);

    auto* fileGroup = new QGroupBox(toQString(layout.fileGroup.text), this);
    fileGroup->setObjectName(idName(layout.fileGroup.id));
    auto* fileGrid = new QGridLayout(fileGroup);
    fileGrid->addWidget(makeLabel(fileGroup, layout.fileLabel.id, layout.fileLabel.text), 0, 0);
    fileName_ = makeLabel(fileGroup, layout.fileName.id, layout.fileName.text);
    fileGrid->addWidget(fileName_, 0, 1);
    fileGrid->addWidget(makeLabel(fileGroup, layout.driveLabel.id, layout.driveLabel.text), 1, 0);
    driveId_ = makeLabel(fileGroup, layout.driveId, "");
    fileGrid->addWidget(driveId_, 1, 1);
    fileGrid->addWidget(makeLabel(fileGroup, layout.versionLabel.id, layout.versionLabel.text), 2, 0);
    version_ = makeLabel(fileGroup, layout.formatVersion, "");
    fileGrid->addWidget(version_, 2, 1);
    fileGrid->setColumnStretch(1, 1);
    left->addWidget(fileGroup);
    left->addStretch(1);
    top->addLayout(left, 1);

    const std::string help = layout.kind == EditorKind::Classic ? classicHelpText() : reorgHelpText();
    auto* helpLabel = makeLabel(this, layout.help, help);
    helpLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    helpLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    top->addWidget(helpLabel, 1);
    root->addLayout(top);

    // The largest group gets the right half; the others stack on the left.
    std::array<int, 3> counts{};
    for (const FieldLayout& f : layout.fields) {
        ++counts[static_cast<std::size_t>(f.group)];
    }
    const int widest = static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
    auto* fields = new QHBoxLayout;
    auto* stack = new QVBoxLayout;
    for (int g = 0; g < 3; ++g) {
        if (g != widest) {
            stack->addWidget(buildGroup(g));
        }
    }
    stack->addStretch(1);
    fields->addLayout(stack, 2);
    fields->addWidget(buildGroup(widest), 3, Qt::AlignTop);
    root->addLayout(fields, 1);

    auto* buttons = new QHBoxLayout;
    auto* selectDrf = makeButton(this, layout.selectDrf);
    auto* apply = makeButton(this, layout.apply);
    auto* save = makeButton(this, layout.save);
    auto* exit = makeButton(this, layout.exit);
    auto* preview = makeButton(this, Heading{kPreviewButtonId, kPreviewButtonText});
    buttons->addWidget(selectDrf);
    buttons->addWidget(apply);
    buttons->addWidget(save);
    buttons->addWidget(preview);
    buttons->addStretch(1);
    buttons->addWidget(exit);
    root->addLayout(buttons);

    connect(selectDrf, &QPushButton::clicked, this, &EditorDialog::onSelectDrf);
    connect(apply, &QPushButton::clicked, this, &EditorDialog::onApply);
    connect(save, &QPushButton::clicked, this, &EditorDialog::onSaveDrf);
    connect(exit, &QPushButton::clicked, this, &EditorDialog::onExit);
    connect(preview, &QPushButton::clicked, this, &EditorDialog::onPreviewLabel);
    connect(media_, qOverload<int>(&QComboBox::activated), this, &EditorDialog::onMediaChosen);
    connect(quality_, qOverload<int>(&QComboBox::activated), this, &EditorDialog::onQualityChosen);
    connect(quality_->lineEdit(), &QLineEdit::editingFinished, this, &EditorDialog::onQualityTyped);

    // The dialog's size in dialog units, as the resource gives it.
    const QFontMetrics metrics(font());
    resize(layout.widthDlu * metrics.averageCharWidth() / 4, layout.heightDlu * metrics.height() / 8);
}

QWidget* EditorDialog::buildGroup(int group) {
    const EditorLayout& layout = session_.layout();
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    const Heading& heading = layout.groups[static_cast<std::size_t>(group)];
    headings_[static_cast<std::size_t>(group)] = makeLabel(box, heading.id, heading.text);
    column->addWidget(headings_[static_cast<std::size_t>(group)]);

    auto* grid = new QGridLayout;
    // Wide enough for the longest number a field takes.
    const int editWidth = QFontMetrics(font()).horizontalAdvance(QStringLiteral("-2147483648")) + 12;
    std::vector<const FieldLayout*> rows;
    for (const FieldLayout& f : layout.fields) {
        if (f.group == group) {
            rows.push_back(&f);
        }
    }
    const int perColumn = static_cast<int>(rows.size()) > kFieldsPerColumn
                              ? (static_cast<int>(rows.size()) + 1) / 2
                              : static_cast<int>(rows.size());
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const FieldLayout& f = *rows[static_cast<std::size_t>(i)];
        const int row = perColumn == 0 ? 0 : i % perColumn;
        const int col = perColumn == 0 ? 0 : (i / perColumn) * 3;
        QLabel* label = makeLabel(box, f.labelId, f.label);
        auto* edit = new QLineEdit(box);
        edit->setObjectName(idName(f.editId));
        edit->setFixedWidth(editWidth);
        labels_[index(f.value)] = label;
        edits_[index(f.value)] = edit;
        if (f.labelId == layout.readPowerLabel.id && layout.readPowerLabel.id != 0) {
            readPowerLabel_ = label;
        }
        grid->addWidget(label, row, col);
        grid->addWidget(edit, row, col + 1);
        const EditValue value = f.value;
        connect(edit, &QLineEdit::textEdited, this, [this, value](const QString& text) {
            session_.setFieldText(value, toUtf8(text));
            updateTitle();
        });
        if (f.value == EditValue::TrackSpacing || f.value == EditValue::MarkSpacing) {
            const bool track = f.value == EditValue::TrackSpacing;
            const auto& units = track ? layout.trackUnits : layout.markUnits;
            auto& radios = track ? trackUnits_ : markUnits_;
            auto* unitBox = new QHBoxLayout;
            auto* buttons = new QButtonGroup(box);
            for (std::size_t u = 0; u < 2; ++u) {
                radios[u] = new QRadioButton(toQString(units[u].text), box);
                radios[u]->setObjectName(idName(units[u].id));
                buttons->addButton(radios[u]);
                unitBox->addWidget(radios[u]);
                const SpacingUnit unit = u == 0 ? SpacingUnit::Nanometres : SpacingUnit::PerInch;
                connect(radios[u], &QRadioButton::clicked, this,
                        [this, track, unit] { onUnit(track, unit); });
            }
            grid->addLayout(unitBox, row, col + 2);
        }
    }
    column->addLayout(grid);
    return box;
}

void EditorDialog::applyFonts() {
    for (const FontUse& use : session_.layout().fonts) {
        if (auto* widget = findChild<QWidget*>(idName(use.id))) {
            widget->setFont(fontFor(use.role));
        }
    }
}

// ---- showing the session -------------------------------------------------------

void EditorDialog::refresh() {
    for (const FieldLayout& f : session_.layout().fields) {
        const std::size_t i = index(f.value);
        edits_[i]->setText(toQString(session_.fieldText(f.value)));
        edits_[i]->setEnabled(session_.fieldEnabled(f.value));
        labels_[i]->setEnabled(session_.fieldEnabled(f.value));
    }
    for (std::size_t g = 0; g < headings_.size(); ++g) {
        headings_[g]->setEnabled(session_.groupEnabled(static_cast<int>(g)));
    }
    if (readPowerLabel_ != nullptr) {
        readPowerLabel_->setText(toQString(session_.readPowerLabel()));
    }

    media_->clear();
    for (const std::string& item : session_.mediaItems()) {
        media_->addItem(toQString(item));
    }
    media_->setCurrentIndex(session_.mediaIndex());
    quality_->clear();
    for (const std::string& item : session_.qualityItems()) {
        quality_->addItem(toQString(item));
    }
    quality_->setCurrentIndex(session_.qualityIndex());

    fileName_->setText(toQString(session_.fileNameText()));
    driveId_->setText(toQString(session_.driveIdText()));
    version_->setText(toQString(session_.versionText()));
    trackUnits_[session_.trackUnit() == SpacingUnit::Nanometres ? 0 : 1]->setChecked(true);
    markUnits_[session_.markUnit() == SpacingUnit::Nanometres ? 0 : 1]->setChecked(true);
    updateTitle();
}

void EditorDialog::updateTitle() {
    setWindowModified(session_.modified());
}

void EditorDialog::focusRefused() {
    if (const auto field = session_.refusedField()) {
        if (QLineEdit* edit = edits_[index(*field)]) {
            edit->setFocus();
            edit->selectAll();
        }
    }
}

void EditorDialog::afterOpen(OpenOutcome outcome) {
    if (outcome == OpenOutcome::HandOver) {
        handedOver_ = true;
        closing_ = true;
        done(QDialog::Rejected);
        return;
    }
    refresh();
}

// ---- actions --------------------------------------------------------------------

void EditorDialog::openDrf(const QString& path) {
    afterOpen(session_.open(toUtf8(path)));
}

void EditorDialog::onSelectDrf() {
    afterOpen(session_.selectDrf());
}

void EditorDialog::onPreviewLabel() {
    PreviewValues values;
    if (!session_.previewValues(values)) {
        focusRefused();
        return;
    }
    const std::optional<std::string> picture = prompter_.previewPicture();
    if (!picture)
        return;
    PreviewLaunch launch;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool made = prepareLabelPreview(values, *picture, QDir::tempPath(), launch, &error);
    QApplication::restoreOverrideCursor();
    if (!made) {
        prompter_.message(toUtf8(QStringLiteral("The preview could not be made: %1").arg(error)));
        return;
    }
    if (launch.program.isEmpty() || !QProcess::startDetached(launch.program, launch.arguments))
        prompter_.message(toUtf8(QStringLiteral("jobview could not be started. The two jobs and their "
                                                "difference are in %1.\n\n%2")
                                     .arg(QDir::toNativeSeparators(launch.folder), launch.summary)));
}

void EditorDialog::onApply() {
    session_.apply();
    focusRefused();
    refresh();
}

void EditorDialog::onSaveDrf() {
    session_.saveDrf();
    focusRefused();
    refresh();
}

void EditorDialog::onExit() {
    close();
}

void EditorDialog::onMediaChosen(int row) {
    session_.selectMedia(toUtf8(media_->itemText(row)));
    refresh();
}

void EditorDialog::onQualityChosen(int row) {
    session_.selectQuality(toUtf8(quality_->itemText(row)));
    refresh();
}

void EditorDialog::onQualityTyped() {
    // Enter or leaving the list: a text that is not the shown quality's name
    // is a new choice. A choice from the list has already set its own name.
    const int shown = session_.qualityIndex();
    const QString text = quality_->currentText();
    if (shown >= 0 && text == toQString(session_.qualityItems()[static_cast<std::size_t>(shown)])) {
        return;
    }
    session_.selectQuality(toUtf8(text));
    refresh();
}

void EditorDialog::onUnit(bool track, SpacingUnit unit) {
    if (!(track ? session_.setTrackUnit(unit) : session_.setMarkUnit(unit))) {
        focusRefused();
    }
    refresh();
}

void EditorDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void EditorDialog::dropEvent(QDropEvent* event) {
    const auto files = droppedFiles(event->mimeData());
    if (files.empty()) {
        return;
    }
    event->acceptProposedAction();
    afterOpen(session_.drop(files));
}

void EditorDialog::reject() {
    // Escape and the window's close button come here too.
    if (closing_ || session_.mayClose()) {
        closing_ = true;
        QDialog::reject();
    } else {
        refresh();
    }
}

} // namespace resedit
