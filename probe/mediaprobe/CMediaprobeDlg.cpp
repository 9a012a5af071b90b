#include "CMediaprobeDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace probe {

CMediaprobeDlg::CMediaprobeDlg(ProbePrompter& prompter, BindingFactory makeBinding, std::string aboutText,
                               QWidget* parent)
    : ProbeDialog(kMediaprobe, prompter, std::move(makeBinding), std::move(aboutText), parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeDriveRow());
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Drive Resource File"), this), 0, 0);
    grid->addWidget(makeField(1073), 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Media Imaging Parameter"), this), 1, 0);
    grid->addWidget(makeField(1034), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Media Manufacturer"), this), 1, 2);
    grid->addWidget(makeField(1035), 1, 3);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(makeButtonRow());
    fixSize();
}

} // namespace probe
