#include "CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace jobview {

namespace {

CommandLine invalid(const QString& why) {
    CommandLine c;
    c.mode = CommandLine::Mode::Invalid;
    c.error = why;
    return c;
}

const QCommandLineOption& renderOption() {
    static const QCommandLineOption option(QStringLiteral("render"),
                                           QStringLiteral("Render FILE to OUT without opening a window."));
    return option;
}

const QCommandLineOption& outputOption() {
    static const QCommandLineOption option(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("The picture to write with --render (.png or .bmp)."), QStringLiteral("OUT"));
    return option;
}

// Returns the help option, which the parser makes itself.
QCommandLineOption describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Shows a print job (.tlm, .tolm) or a floyd picture (.fld) as the drive would burn it.\n"
        "With --render FILE -o OUT.png|OUT.bmp the picture is written to OUT without opening\n"
        "a window; the program exits non-zero with the reason on stderr when the file cannot\n"
        "be rendered."));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOption(renderOption());
    parser.addOption(outputOption());
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The job or floyd file to open."),
                                 QStringLiteral("[FILE]"));
    return help;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption help = describe(parser);
    // The parser expects the program's name first.
    if (!parser.parse(QStringList{QStringLiteral("jobview")} + arguments))
        return invalid(parser.errorText());

    CommandLine c;
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        c.mode = CommandLine::Mode::Help;
        return c;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return invalid(QStringLiteral("only one file can be opened at a time"));
    if (!files.isEmpty())
        c.file = files.first();
    const bool outputGiven = parser.isSet(outputOption());
    if (outputGiven)
        c.output = parser.value(outputOption());
    if (parser.isSet(renderOption())) {
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
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
}

} // namespace jobview
