#include "CommandLine.h"

namespace jobview {

namespace {

CommandLine invalid(const QString& why) {
    CommandLine c;
    c.mode = CommandLine::Mode::Invalid;
    c.error = why;
    return c;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine c;
    bool render = false;
    bool outputGiven = false;
    QStringList files;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            c.mode = CommandLine::Mode::Help;
            return c;
        }
        if (a == QLatin1String("--render")) {
            render = true;
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (i + 1 >= arguments.size())
                return invalid(QStringLiteral("%1 needs a file name").arg(a));
            c.output = arguments.at(++i);
            outputGiven = true;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return invalid(QStringLiteral("unknown option %1").arg(a));
        } else {
            files.append(a);
        }
    }
    if (files.size() > 1)
        return invalid(QStringLiteral("only one file can be opened at a time"));
    if (!files.isEmpty())
        c.file = files.first();
    if (render) {
        if (c.file.isEmpty())
            return invalid(QStringLiteral("--render needs the job or floyd file to render"));
        if (!outputGiven)
            return invalid(QStringLiteral("--render needs -o OUT.png or -o OUT.bmp"));
        c.mode = CommandLine::Mode::Render;
    } else if (outputGiven) {
        return invalid(QStringLiteral("-o is only used with --render"));
    }
    return c;
}

QString usageText() {
    return QStringLiteral(
        "usage: jobview [FILE]\n"
        "       jobview --render FILE -o OUT.png|OUT.bmp\n"
        "\n"
        "Shows a print job (.tlm, .tolm) or a floyd picture (.fld) as the drive would burn it.\n"
        "With --render the picture is written to OUT without opening a window; the\n"
        "program exits non-zero with the reason on stderr when the file cannot be rendered.\n");
}

} // namespace jobview
