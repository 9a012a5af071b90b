// What the resedit dialogs share: fonts made as the dialogs make them, the
// files of a drop, and finding controls by their ids.
#pragma once

#include "resedit/EditorLayout.h"

#include <QFont>
#include <QIcon>
#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QDropEvent;
class QMimeData;

namespace resedit {

// Icon 128, the program's icon, in its three drawn sizes.
QIcon programIcon();

QFont dialogFont(const FontSpec& spec);
QFont fontFor(FontRole role);
QFont fontOf(const FontDef& def);

// Local files of a drop, in drop order, as UTF-8 paths.
std::vector<std::string> droppedFiles(const QMimeData* mime);

inline QString idName(int id) {
    return QString::number(id);
}

// A control by its id (its object name), below `root`.
template <typename W> W* control(const QWidget* root, int id) {
    return root->findChild<W*>(idName(id));
}

} // namespace resedit
