// The modal "File Statistics" dialog.
#pragma once

#include <QDialog>

#include "jobview/JobStatistics.h"

class StatisticsDialog : public QDialog {
    Q_OBJECT
public:
    explicit StatisticsDialog(const JobStatistics& statistics, QWidget* parent = nullptr);
};
