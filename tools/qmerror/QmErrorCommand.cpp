#include "QmErrorCommand.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>
#include <ostream>
#include <string_view>

#include "diagtool/catalogue/ErrorCodeCatalogue.h"
#include "diagtool/catalogue/ErrorCodeParser.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: qmerror CODE...\n"
    "       qmerror --find TEXT [--verbose]\n"
    "       qmerror --list [--verbose]\n"
    "\n"
    "Explains error codes of the Quillmark labelling system.\n"
    "\n"
    "  CODE           a catalogue code (0x201, 513, 01001) or a COM failure value\n"
    "                 of the labelling API (0xC004xxxx), which carries a catalogue code\n"
    "  --find TEXT    entries whose name, class, message or comment contains TEXT\n"
    "                 (case does not matter)\n"
    "  --list         every entry of the catalogue\n"
    "  -v, --verbose  with --find and --list: show each entry in full\n"
    "  -h, --help     show this text\n"
    "\n"
    "Exit status: 0 success, 1 a code has no entry or nothing matched, 2 bad usage.\n";

std::string hexText(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
    return buffer;
}

std::string codeText(std::uint32_t code) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%X (%u)", static_cast<unsigned>(code),
                  static_cast<unsigned>(code));
    return buffer;
}

void printField(std::ostream& out, std::string_view label, const std::string& text) {
    out << "  " << label;
    if (!text.empty())
        out << std::string(14 - label.size(), ' ') << text;
    out << '\n';
}

// The texts go out unchanged, trailing blanks and tabs included, so they can be
// searched for exactly as the labelling system logs them.
void printEntry(std::ostream& out, std::uint32_t code, const ErrorCodeInfo& info) {
    out << codeText(code) << '\n';
    printField(out, "COM name:", info.symbolicName);
    printField(out, "Error class:", info.errorClass);
    printField(out, "Message:", info.message);
    printField(out, "Comment:", info.comment);
}

// One line per entry: tabs become blanks and trailing blanks go, so columns and
// line-based tools are not upset.
void printSummary(std::ostream& out, std::uint32_t code, const ErrorCodeInfo& info) {
    std::string message = info.message;
    for (char& c : message) {
        if (c == '\t')
            c = ' ';
    }
    message.erase(message.find_last_not_of(' ') + 1);
    out << codeText(code) << "  " << info.symbolicName << " / " << info.errorClass;
    if (!message.empty())
        out << ": " << message;
    out << '\n';
}

void printEntries(std::ostream& out, const ErrorCodeCatalogue& catalogue,
                  const std::vector<std::uint32_t>& codes, bool verbose) {
    bool first = true;
    for (std::uint32_t code : codes) {
        const ErrorCodeInfo& info = catalogue.at(code);
        if (verbose) {
            if (!first)
                out << '\n';
            printEntry(out, code, info);
        } else {
            printSummary(out, code, info);
        }
        first = false;
    }
}

int usageError(std::ostream& err, std::string_view problem) {
    err << "qmerror: " << problem << "\n" << kUsage;
    return kExitUsage;
}

int lookUpCodes(const std::vector<std::string>& texts, std::ostream& out, std::ostream& err) {
    // Found without inserting: an absent code is reported, not shown as an empty entry.
    ErrorCodeCatalogue catalogue;
    buildErrorCodeCatalogue(catalogue);
    int status = kExitOk;
    bool printedAny = false;
    for (const std::string& text : texts) {
        const std::optional<std::uint32_t> value = tryParseErrorCode(text);
        if (!value) {
            err << "qmerror: \"" << text << "\" is not an error code\n";
            status = kExitNotFound;
            continue;
        }
        const std::optional<std::uint32_t> carried = catalogueCodeOfComFailure(*value);
        const std::uint32_t code = carried.value_or(*value);
        const auto found = catalogue.find(code);
        if (found == catalogue.end()) {
            err << "qmerror: no entry for " << codeText(code);
            if (carried)
                err << ", the code carried by COM failure " << hexText(*value);
            err << '\n';
            status = kExitNotFound;
            continue;
        }
        if (printedAny)
            out << '\n';
        if (carried)
            out << "COM failure " << hexText(*value) << " carries catalogue code " << codeText(code) << '\n';
        printEntry(out, code, found->second);
        printedAny = true;
    }
    return status;
}

} // namespace

int runQmError(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool help = false;
    bool list = false;
    bool verbose = false;
    std::string findText;
    std::vector<std::string> codes;
    CLI::App app("qmerror");
    // An argument that starts with / is a path, on Windows too, never an option.
    app.allow_windows_style_options(false);
    // The usage text and the refusals stay qmerror's own; a negative number is a
    // code to explain (and to refuse as one), not an option.
    app.set_help_flag();
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CLI::Option* helpOption = app.add_flag("-h,--help", help);
    app.add_flag("--list", list);
    app.add_flag("-v,--verbose", verbose);
    CLI::Option* findOption = app.add_option("--find", findText);
    app.add_option("codes", codes);
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        if (helpOption->count() > 0) {
            out << kUsage;
            return kExitOk;
        }
        return usageError(err, e.what());
    }
    if (help) {
        out << kUsage;
        return kExitOk;
    }
    if (const auto unknown = app.remaining(); !unknown.empty())
        return usageError(err, "unknown option " + unknown.front());
    const bool find = findOption->count() > 0;
    const int modes = (list ? 1 : 0) + (find ? 1 : 0) + (codes.empty() ? 0 : 1);
    if (modes != 1)
        return usageError(err,
                          modes == 0 ? "nothing to look up" : "give codes, --find or --list, not several");
    if (verbose && !codes.empty())
        return usageError(err, "--verbose goes with --find or --list");

    if (!codes.empty())
        return lookUpCodes(codes, out, err);

    ErrorCodeCatalogue catalogue;
    buildErrorCodeCatalogue(catalogue);
    std::vector<std::uint32_t> selected;
    if (list) {
        for (const auto& entry : catalogue)
            selected.push_back(entry.first);
    } else {
        selected = findErrorCodes(catalogue, findText);
        if (selected.empty()) {
            err << "qmerror: no entry contains \"" << findText << "\"\n";
            return kExitNotFound;
        }
    }
    printEntries(out, catalogue, selected, verbose);
    return kExitOk;
}
