// `jobview --render`: the same document and rendering pass as the window,
// with the picture written to a file instead of shown.
#pragma once

#include <QImage>
#include <QString>

#include "RenderPass.h"

namespace jobview {

// True when `output` was written. Otherwise *error holds what the window
// would have said (the document's message) or why nothing could be written.
bool renderToFile(const QString& input, const QString& output, QString* error);

// Opens and renders a job or floyd file as the window would: its hit counts,
// and the picture with its circles when `picture` is given.
bool renderFile(const QString& input, HitMap& hits, QImage* picture, QString* error);

} // namespace jobview
