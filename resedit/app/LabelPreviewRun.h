// "Preview Label..." without the dialog: the two print jobs made from the
// values, and the jobview command that opens its compare view on them.
#pragma once

#include "resedit/PreviewValues.h"

#include <QString>
#include <QStringList>

namespace resedit {

struct PreviewLaunch {
    QString folder;    // where the jobs and the difference picture are
    QString program;   // jobview beside this program; empty when there is none
    QStringList arguments;
    QString summary;   // the comparison, as text
    bool equal = false;
};

// `picture` empty: the sample label. Writes into a new folder below `parent`.
// False with *error when the jobs cannot be made.
bool prepareLabelPreview(const PreviewValues& values, const std::string& picture, const QString& parent,
                         PreviewLaunch& launch, QString* error);

} // namespace resedit
