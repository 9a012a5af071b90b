#include "SimpleDiagnosticsWidget.h"

#include "QuestionPrompter.h"

#include "GuidedCheck.h"
#include "QuillmarkModel.h"
#include "WindowsDiagnostics.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>

namespace {

QString fromWide(std::wstring_view text) {
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

void setTextColour(QLabel* label, const StatusColour& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, QColor(colour.red, colour.green, colour.blue));
    label->setPalette(palette);
}

} // namespace

// What the guided check asks and tells, turned into boxes and widget state.
class SimpleDiagnosticsWidget::Bridge final : public GuidedCheckPrompter {
public:
    explicit Bridge(SimpleDiagnosticsWidget& widget) : widget_(widget) {}
    int ask(std::wstring_view text, std::wstring_view button0, std::wstring_view button1) override {
        return widget_.prompter_->ask(&widget_, tr(kCaption), fromWide(text), fromWide(button0),
                                      fromWide(button1)) == 0
                   ? 0
                   : 1;
    }
    // The check's texts are its source texts; they are translated in the
    // widget's context, as the widget's own are.
    std::wstring translate(std::wstring_view source) const override {
        return tr(QString::fromWCharArray(source.data(), static_cast<qsizetype>(source.size()))
                      .toUtf8()
                      .constData())
            .toStdWString();
    }
    void statusShownRed(std::wstring_view labelText) override {
        setTextColour(widget_.statusLabel_, GuidedCheck::kRed);
        widget_.statusLabel_->setText(fromWide(labelText));
    }
    void restartOffered() override {
        widget_.restartButton_->show();
        widget_.restartButton_->setFocus();
    }
    void closeFocused() override { widget_.closeButton_->setFocus(); }

private:
    SimpleDiagnosticsWidget& widget_;
};

SimpleDiagnosticsWidget::SimpleDiagnosticsWidget(WindowsDiagnostics& checks, QWidget* parent,
                                                 QuestionPrompter* prompter)
    : QWidget(parent), checks_(checks), prompter_(prompter), model_(std::make_unique<QuillmarkModel>()),
      ownOpener_(std::make_unique<DesktopUrlOpener>()),
      ownUpdatePrompter_(std::make_unique<MessageBoxUpdatePrompter>()), opener_(ownOpener_.get()),
      updatePrompter_(ownUpdatePrompter_.get()) {
    if (prompter_ == nullptr) {
        ownPrompter_ = std::make_unique<MessageBoxQuestionPrompter>();
        prompter_ = ownPrompter_.get();
    }
    constexpr Qt::Alignment kLeftTop = Qt::AlignLeft | Qt::AlignTop; // 33

    layout_ = new QGridLayout;
    statusRow_ = new QHBoxLayout;
    const QPixmap logo(QString::fromLatin1(kLogo));
    if (!logo.isNull()) {
        logoLabel_ = new QLabel(this);
        logoLabel_->setPixmap(logo);
        logoLabel_->setAlignment(kLeftTop);
        statusRow_->addWidget(logoLabel_);
    }
    statusLabel_ = new QLabel(tr("Status: OK"), this);
    statusLabel_->setAlignment(kLeftTop);
    statusRow_->addWidget(statusLabel_);
    layout_->addLayout(statusRow_, 0, 0);

    buttonRow_ = new QHBoxLayout;
    recheckButton_ = new QPushButton(tr("Re-check"), this);
    closeButton_ = new QPushButton(tr("Close"), this);
    getQmsButton_ = new QPushButton(tr("Get Quillmark System Software"), this);
    restartButton_ = new QPushButton(tr("Restart Windows"), this);
    for (QPushButton* button : {recheckButton_, closeButton_, getQmsButton_, restartButton_}) {
        buttonRow_->addWidget(button);
    }
    restartButton_->hide();
    layout_->addLayout(buttonRow_, 1, 0);
    connect(recheckButton_, &QPushButton::clicked, this, &SimpleDiagnosticsWidget::on_checkStatus);
    connect(closeButton_, &QPushButton::clicked, this, &SimpleDiagnosticsWidget::on_close);
    connect(getQmsButton_, &QPushButton::clicked, this, &SimpleDiagnosticsWidget::on_getQMS);
    connect(restartButton_, &QPushButton::clicked, this, &SimpleDiagnosticsWidget::on_rebootWindows);

    setLayout(layout_);
    on_checkStatus();
}

SimpleDiagnosticsWidget::~SimpleDiagnosticsWidget() = default;

void SimpleDiagnosticsWidget::setUpdateServices(std::unique_ptr<QuillmarkModel> model, UrlOpener* opener,
                                                UpdatePrompter* prompter) {
    model_ = std::move(model);
    opener_ = opener;
    updatePrompter_ = prompter;
}

bool SimpleDiagnosticsWidget::on_checkStatus() {
    Bridge bridge(*this);
    const GuidedCheck::Result result = GuidedCheck(checks_, bridge).run();
    setTextColour(statusLabel_, result.colour);
    statusLabel_->setText(fromWide(result.labelText));
    // One box after the check, not one per fix: what became of the fix
    // journal, and why the fixes just made cannot be undone.
    QStringList journal;
    if (!result.journalNotice.empty())
        journal << fromWide(result.journalNotice);
    if (!result.journalProblem.empty())
        journal << tr("The fixes made in this check cannot be undone: %1.").arg(fromWide(result.journalProblem));
    if (!journal.isEmpty())
        prompter_->warn(this, tr(kCaption), journal.join(QStringLiteral("\n\n")));
    return result.qmsInstalled;
}

void SimpleDiagnosticsWidget::on_rebootWindows() {
    (void)checks_.restartWindows();
}

void SimpleDiagnosticsWidget::on_close() {
    // The view may sit in a stack or a tab of the main window; closing that
    // window is what ends the program.
    window()->close();
}

void SimpleDiagnosticsWidget::on_getQMS() {
    try {
        model_->launchUpdate(*opener_, *updatePrompter_, globalTexts());
    } catch (...) {
        // The QMS cannot be asked for its update command (a QMRT_Exception
        // as a rule; nothing may leave a slot either way): go straight to
        // the maker's page.
        if (!opener_->openUrl(QUrl(downloadPage()))) {
            updatePrompter_->warning(globalTexts().updateErrorTitle, globalTexts().updateErrorText);
        }
    }
}
