#include "CParamscopeDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace probe {

namespace {

// The parameter table's columns: heading, unit line, and the Best, Normal
// and Draft ids.
struct Column {
    const char* heading;
    const char* unit;
    int ids[kQualityCount];
};

constexpr Column kColumns[] = {
    {"Linear Velocity", "(mm/s)", {1042, 1039, 1045}},
    {"TPI", "", {1067, 1065, 1071}},
    {"DPI", "", {1068, 1064, 1072}},
    {"Write Power", "(mW)", {1066, 1061, 1070}},
    {"Read Power", "(mW)", {1062, 1060, 1069}},
    {"Focus Offset", "(microns)", {1043, 1040, 1046}},
};

} // namespace

CParamscopeDlg::CParamscopeDlg(ProbePrompter& prompter, BindingFactory makeBinding, std::string aboutText,
                               QWidget* parent)
    : ProbeDialog(kParamscope, prompter, std::move(makeBinding), std::move(aboutText), parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeDriveRow());

    auto* top = new QHBoxLayout;
    auto* drive = new QGroupBox(QStringLiteral("Drive"), this);
    auto* driveGrid = new QGridLayout(drive);
    driveGrid->addWidget(new QLabel(QStringLiteral("Drive ID"), drive), 0, 0);
    driveGrid->addWidget(makeField(1063), 0, 1);
    driveGrid->addWidget(new QLabel(QStringLiteral("Drive Resource File"), drive), 1, 0);
    driveGrid->addWidget(makeField(1073), 1, 1);
    auto* media = new QGroupBox(QStringLiteral("Media"), this);
    auto* mediaGrid = new QGridLayout(media);
    mediaGrid->addWidget(new QLabel(QStringLiteral("Imaging Parameter"), media), 0, 0);
    mediaGrid->addWidget(makeField(1034), 0, 1);
    mediaGrid->addWidget(new QLabel(QStringLiteral("Manufacturer"), media), 1, 0);
    mediaGrid->addWidget(makeField(1035), 1, 1);
    top->addWidget(drive);
    top->addWidget(media);
    layout->addLayout(top);

    auto* params = new QGroupBox(QStringLiteral("Drive-Reported Labeling Parameters"), this);
    auto* grid = new QGridLayout(params);
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
        auto* heading = new QLabel(
            QStringLiteral("%1\n%2").arg(QLatin1String(kColumns[c].heading), QLatin1String(kColumns[c].unit)),
            params);
        heading->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        grid->addWidget(heading, 0, c + 1);
        for (int q = 0; q < kQualityCount; ++q) {
            grid->addWidget(makeField(kColumns[c].ids[q]), q + 1, c + 1);
        }
    }
    for (int q = 0; q < kQualityCount; ++q) {
        grid->addWidget(new QLabel(qs(kQualityLabels[q]), params), q + 1, 0);
    }
    layout->addWidget(params);
    layout->addStretch(1);
    layout->addWidget(makeButtonRow());
    fixSize();
}

} // namespace probe
