// `jobview --render`: the same document and rendering pass as the window,
// with the picture written to a file instead of shown.
#pragma once

#include <QString>

namespace jobview {

// True when `output` was written. Otherwise *error holds what the window
// would have said (the document's message) or why nothing could be written.
bool renderToFile(const QString& input, const QString& output, QString* error);

} // namespace jobview
