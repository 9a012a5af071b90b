#include "StatisticsDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "JobViewResources.h"
#include "ViewGeometry.h"

using namespace jobview;

namespace {

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

StatisticsDialog::StatisticsDialog(const JobStatistics& statistics, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kStatisticsDialog.id));
    setWindowTitle(text(kStatisticsDialog.caption));
    const StatisticsTexts values = formatStatistics(statistics);
    const std::string* valueTexts[] = {&values.trackPixels, &values.trackPixelsOn, &values.percentOn};

    auto* grid = new QGridLayout;
    int row = 0;
    for (const StatisticsRow& r : kStatisticsRows) {
        grid->addWidget(new QLabel(text(r.label), this), row, 0);
        auto* value = new QLabel(QString::fromStdString(*valueTexts[row]), this);
        value->setObjectName(QString::number(r.controlId));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, row, 1);
        ++row;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(kIdOk));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addWidget(buttons);
    setMinimumSize(
        dialogUnitsToPixels(fontMetrics(), kStatisticsDialog.widthUnits, kStatisticsDialog.heightUnits));
}
