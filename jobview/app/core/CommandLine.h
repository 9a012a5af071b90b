// What jobview is asked to do by its command line.
#pragma once

#include <QString>
#include <QStringList>

namespace jobview {

struct CommandLine {
    enum class Mode { Window, Render, Compare, Help, Invalid };
    Mode mode = Mode::Window;
    QString file;   // the job or floyd file; may be empty in window mode; A with --compare
    QString fileB;  // --compare, and --compare-with in window mode
    QString output; // --render; optional with --compare
    bool json = false; // --compare only
    QString error;  // Mode::Invalid only
};

// `arguments` without the program name. Forms:
//   [FILE]                          open the window, with FILE if given
//   FILE --compare-with B           open the window comparing FILE with B
//   --render FILE -o OUT.png|.bmp   render without a window
//   --compare A B [-o DIFF.png|.bmp] [--json]
//   --help
CommandLine parseCommandLine(const QStringList& arguments);

// The parser's help text; the program's name in it comes from the running
// application object, so make one first.
QString usageText();

} // namespace jobview
