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

const QCommandLineOption& compareOption() {
    static const QCommandLineOption option(
        QStringLiteral("compare"),
        QStringLiteral("Compare the pictures of two files A and B: prints where their hit counts differ\n"
                       "and, with -o, writes the difference picture. Exit status 0 when they are\n"
                       "equal, 1 when they differ, 2 on trouble."));
    return option;
}

const QCommandLineOption& compareWithOption() {
    static const QCommandLineOption option(QStringLiteral("compare-with"),
                                           QStringLiteral("Open the window comparing FILE with B."),
                                           QStringLiteral("B"));
    return option;
}

const QCommandLineOption& jsonOption() {
    static const QCommandLineOption option(QStringLiteral("json"),
                                           QStringLiteral("With --compare: the summary as one JSON document."));
    return option;
}

const QCommandLineOption& outputOption() {
    static const QCommandLineOption option(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("The picture to write with --render or --compare (.png or .bmp)."), QStringLiteral("OUT"));
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
    parser.addOption(compareOption());
    parser.addOption(jsonOption());
    parser.addOption(compareWithOption());
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
    if (parser.isSet(compareOption())) {
        if (parser.isSet(renderOption()))
            return invalid(QStringLiteral("--render and --compare cannot be used together"));
        if (files.size() != 2)
            return invalid(QStringLiteral("--compare needs two files, A and B"));
        c.mode = CommandLine::Mode::Compare;
        c.file = files[0];
        c.fileB = files[1];
        c.json = parser.isSet(jsonOption());
        if (parser.isSet(outputOption()))
            c.output = parser.value(outputOption());
        return c;
    }
    if (parser.isSet(jsonOption()))
        return invalid(QStringLiteral("--json is only used with --compare"));
    if (parser.isSet(compareWithOption())) {
        if (parser.isSet(renderOption()) || parser.isSet(outputOption()))
            return invalid(QStringLiteral("--compare-with opens the window; it does not go with --render or -o"));
        if (files.size() != 1)
            return invalid(QStringLiteral("--compare-with needs the file to compare it with"));
        c.file = files.first();
        c.fileB = parser.value(compareWithOption());
        return c;
    }
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
        return invalid(QStringLiteral("-o is only used with --render or --compare"));
    }
    return c;
}

QString usageText() {
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
}

} // namespace jobview
