#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "QmErrorCommand.h"

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = runQmError(args, out, err);
    return {status, out.str(), err.str()};
}

int countLines(const std::string& text) {
    int lines = 0;
    for (char c : text)
        lines += c == '\n' ? 1 : 0;
    return lines;
}

} // namespace

TEST(QmError, ShowsAnEntryWithItsTextsUnchanged) {
    const Outcome r = run({"0x201"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "0x201 (513)\n"
              "  COM name:     QMCAPI_E_LOADLIBRARY_ERROR\n"
              "  Error class:  LoadLibraryError\n"
              "  Message:      A needed library could not be loaded.  \n"
              "  Comment:      A subsidiary library failed to load -check with diagnostics to see which "
              "particular library is missing. Reinstallation should fix this.  \n");
}

TEST(QmError, EveryNumberFormNamesTheSameEntry) {
    const std::string expected = run({"0x201"}).out;
    for (const char* form : {"513", "0X201", "01001"})
        EXPECT_EQ(run({form}).out, expected) << form;
}

TEST(QmError, ComFailureValueIsResolvedToTheCodeItCarries) {
    const Outcome r = run({"0xC0040233"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1),
              "COM failure 0xC0040233 carries catalogue code 0x233 (563)\n");
    EXPECT_NE(r.out.find("  COM name:     QMCAPI_E_DRIVE_CHANGED\n"), std::string::npos);
}

TEST(QmError, CodesWithoutEntryFailButTheOthersAreStillShown) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
        int entriesShown;
    };
    const Case cases[] = {
        {{"0x202"}, "qmerror: no entry for 0x202 (514)\n", 0},
        {{"0"}, "qmerror: no entry for 0x0 (0)\n", 0},
        {{"abc"}, "qmerror: \"abc\" is not an error code\n", 0},
        {{"4294967296"}, "qmerror: \"4294967296\" is not an error code\n", 0},
        {{"-1"}, "qmerror: \"-1\" is not an error code\n", 0},
        {{"0x80000201"}, "qmerror: no entry for 0x80000201 (2147484161)\n", 0},
        {{"0xC004023E"}, "", 1}, // carried code outside the API's own mapping still has an entry
        {{"0xC0040202"},
         "qmerror: no entry for 0x202 (514), the code carried by COM failure 0xC0040202\n",
         0},
        {{"0x1070", "0x10AF", "0x1000"}, "qmerror: no entry for 0x1070 (4208)\n", 2},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args);
        SCOPED_TRACE(c.args.front());
        EXPECT_EQ(r.status, c.err.empty() ? kExitOk : kExitNotFound);
        EXPECT_EQ(r.err, c.err);
        int shown = 0;
        for (std::size_t at = r.out.find("COM name:"); at != std::string::npos;
             at = r.out.find("COM name:", at + 1))
            ++shown;
        EXPECT_EQ(shown, c.entriesShown);
    }
}

TEST(QmError, EndMarkerShowsAnEmptyMessage) {
    const Outcome r = run({"0x10AF"});
    EXPECT_NE(r.out.find("\n  Message:\n"), std::string::npos) << r.out;
}

TEST(QmError, FindListsMatchingEntriesOnePerLine) {
    const Outcome r = run({"--find", "PIPE"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(
        r.out.find(
            "0x1006 (4102)  QMCAPI_E_PIPE_ERR / COMM_Named_Pipe_Error: Named pipe communication error\n"),
        std::string::npos);
    EXPECT_EQ(r.out.find("QMCAPI_E_LOADLIBRARY_ERROR"), std::string::npos);
    // Tabs and trailing blanks of the texts would break the one-line form.
    const Outcome tabbed = run({"--find", "media parameters structure"});
    EXPECT_EQ(tabbed.out.find('\t'), std::string::npos);
    EXPECT_EQ(tabbed.out.find(" \n"), std::string::npos);
}

TEST(QmError, FindWithoutMatchFails) {
    const Outcome r = run({"--find", "no such words anywhere"});
    EXPECT_EQ(r.status, kExitNotFound);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "qmerror: no entry contains \"no such words anywhere\"\n");
}

TEST(QmError, ListShowsTheWholeCatalogue) {
    const Outcome brief = run({"--list"});
    EXPECT_EQ(brief.status, kExitOk);
    EXPECT_EQ(countLines(brief.out), 185);
    const Outcome full = run({"--list", "--verbose"});
    // Five lines per entry and a blank line between entries.
    EXPECT_EQ(countLines(full.out), 185 * 5 + 184);
}

TEST(QmError, BadUsageIsRefusedWithTheUsageText) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"--find"}, {"--bogus"}, {"--list", "0x201"}, {"--list", "--find", "x"}, {"-v", "0x201"}};
    for (const auto& args : cases) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, kExitUsage);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Usage: qmerror"), std::string::npos);
    }
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_EQ(help.out.rfind("Usage: qmerror", 0), 0u);
}
