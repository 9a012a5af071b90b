// Windows' rules for names, paths and environment references. Where the real
// functions exist (Windows, Wine) the same tables hold them to account.
#include <gtest/gtest.h>

#include "common/WindowsRules.h"
#include "platform/ShellFolders.h"
#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

#include <map>
#include <string>

using namespace qmplatform;

namespace {

struct AppendCase {
    const wchar_t* path;
    const wchar_t* more;
    const wchar_t* expected;
};

// Each row holds on Windows as written; the Windows lane checks them against
// the real PathAppendW.
const AppendCase kAppendCases[] = {
    {L"C:\\Program Files\\Common Files", L"Quillmark\\", L"C:\\Program Files\\Common Files\\Quillmark\\"},
    {L"C:\\Program Files\\Common Files\\Quillmark\\", L"QM_HSI.msi",
     L"C:\\Program Files\\Common Files\\Quillmark\\QM_HSI.msi"},
    {L"C:\\Program Files\\Common Files\\Quillmark\\", L"res\\drfVersion",
     L"C:\\Program Files\\Common Files\\Quillmark\\res\\drfVersion"},
    {L"C:\\a", L"\\b", L"C:\\a\\b"},           // leading backslash dropped, not rooted
    {L"C:\\a", L"\\\\srv\\x", L"\\\\srv\\x"},  // but a share replaces the path
    {L"C:\\a\\", L"b", L"C:\\a\\b"},           // one separator, not two
    {L"C:\\a\\b", L"..\\c", L"C:\\a\\c"},      // ".." takes one back
    {L"C:\\a", L"..\\..\\..\\c", L"C:\\c"},    // never past the root
    {L"C:\\a", L".\\b\\.\\c", L"C:\\a\\b\\c"}, // "." dropped
    {L"C:\\a\\b", L"..", L"C:\\a"},
    {L"C:\\a\\b", L"..\\", L"C:\\a\\"},
    {L"C:\\a", L"D:\\x", L"D:\\x"}, // an absolute second part wins
    {L"C:", L"a", L"C:\\a"},
    {L"", L"a\\b", L"a\\b"},
    {L"C:\\a", L"", L"C:\\a"},
    {L"\\\\server\\share", L"x", L"\\\\server\\share\\x"},
    {L"\\\\server\\share", L"..\\x", L"\\\\server\\x"}, // the server stays
};

class PathAppendRules : public ::testing::TestWithParam<AppendCase> {};

TEST_P(PathAppendRules, JoinsAndCanonicalises) {
    const AppendCase& c = GetParam();
    std::wstring path = c.path;
    ASSERT_TRUE(pathAppendRules(path, c.more));
    EXPECT_EQ(toUtf8(path), toUtf8(c.expected));
#ifdef _WIN32
    std::wstring real = c.path;
    ASSERT_TRUE(pathAppend(real, c.more));
    EXPECT_EQ(toUtf8(real), toUtf8(c.expected)) << "the system's PathAppendW";
#endif
}

INSTANTIATE_TEST_SUITE_P(Table, PathAppendRules, ::testing::ValuesIn(kAppendCases));

TEST(PathAppend, RefusesWhatWouldNotFitInMaxPathAndLeavesThePath) {
    const std::wstring base = L"C:\\" + std::wstring(200, L'a');
    const struct {
        std::wstring more;
        bool fits;
    } cases[] = {
        // base (203) + "\" + more: 259 characters fit with the terminator, 260 do not.
        {std::wstring(55, L'b'), true},
        {std::wstring(56, L'b'), false},
        {std::wstring(300, L'b'), false},
        // The joined text counts, before ".." shortens it.
        {L"x\\..\\" + std::wstring(51, L'b'), false},
        {L"x\\..\\" + std::wstring(50, L'b'), true},
    };
    for (const auto& c : cases) {
        std::wstring path = base;
        EXPECT_EQ(pathAppendRules(path, c.more), c.fits) << c.more.size();
        if (!c.fits) {
            EXPECT_EQ(path, base);
        }
        std::wstring real = base;
        EXPECT_EQ(pathAppend(real, c.more), c.fits) << "PathAppend, " << c.more.size();
        EXPECT_EQ(real, path);
    }
}

TEST(PathCanonicalize, KeepsRootsAndTrailingSeparators) {
    const std::map<std::wstring, std::wstring> cases = {
        {L"C:\\..", L"C:\\"},
        {L"C:\\a\\.\\", L"C:\\a\\"},
        {L"\\a\\..\\b", L"\\b"},
        {L"C:\\a\\\\b", L"C:\\a\\b"},
        {L"", L"\\"},
        {L"C:", L"C:\\"},
    };
    for (const auto& [in, expected] : cases) {
        EXPECT_EQ(toUtf8(pathCanonicalize(in)), toUtf8(expected)) << toUtf8(in);
    }
}

struct ExpandCase {
    const wchar_t* text;
    const wchar_t* expected;
};

const ExpandCase kExpandCases[] = {
    {L"%CommonProgramFiles%\\Quillmark\\QMSvcMsg.dll",
     L"C:\\Program Files\\Common Files\\Quillmark\\QMSvcMsg.dll"},
    {L"%commonprogramfiles%", L"C:\\Program Files\\Common Files"}, // names ignore case
    {L"%NOPE%", L"%NOPE%"},
    {L"%NOPE%SystemRoot%", L"%NOPE%SystemRoot%"}, // the closing '%' opens no reference
    {L"%NOPE%%SystemRoot%", L"%NOPE%C:\\windows"},
    {L"100%", L"100%"},
    {L"%%", L"%%"},
    {L"a%SystemRoot%b%SystemRoot%", L"aC:\\windowsbC:\\windows"},
    {L"%EMPTY%|", L"|"},
    {L"", L""},
};

class ExpandRules : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandRules, ReplacesKnownReferencesOnly) {
    const std::map<std::wstring, std::wstring, NoCaseLess> variables = {
        {L"CommonProgramFiles", L"C:\\Program Files\\Common Files"},
        {L"SystemRoot", L"C:\\windows"},
        {L"EMPTY", L""},
    };
    const auto lookup = [&](std::wstring_view name) -> std::optional<std::wstring> {
        const auto it = variables.find(name);
        return it == variables.end() ? std::nullopt : std::optional<std::wstring>(it->second);
    };
    EXPECT_EQ(toUtf8(expandEnvironmentText(GetParam().text, lookup)), toUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Table, ExpandRules, ::testing::ValuesIn(kExpandCases));

TEST(WindowsText, ComparesIgnoringCaseAsWindowsNamesDo) {
    EXPECT_TRUE(equalNoCase(L"QuillmarkService", L"QUILLMARKSERVICE"));
    EXPECT_TRUE(equalNoCase(L"Gr\u00FC\u00DFe", L"GR\u00DC\u00DFE")); // ü/Ü; ß has no capital here
    EXPECT_TRUE(equalNoCase(L"\u0107\u017E", L"\u0106\u017D"));       // Latin Extended-A pairs
    EXPECT_TRUE(equalNoCase(L"\u043F\u0451", L"\u041F\u0401"));       // Cyrillic, both blocks
    EXPECT_FALSE(equalNoCase(L"a", L"ab"));
    EXPECT_FALSE(equalNoCase(L"\u00F7", L"\u00D7")); // ÷ and × are no pair
    // Order is that of the upcased text: '_' (0x5F) sorts after 'Z', as in regedit.
    EXPECT_LT(compareNoCase(L"zeta", L"_x"), 0);
    EXPECT_LT(compareNoCase(L"abc", L"ABCD"), 0);
    EXPECT_EQ(compareNoCase(L"Enum", L"ENUM"), 0);
}

TEST(WindowsText, ConvertsUtf8BothWaysAndReplacesWhatIsBroken) {
    const std::wstring text = L"C:\\users\\J\u00F6rg\\\u20AC\U0001F4BF";
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(L"\u00E9"), "\xC3\xA9");
    // ASCII runs around the others, appended to what is there; a surrogate
    // without its partner becomes U+FFFD.
    std::string out = "x";
    const wchar_t lone[] = {L'c', L'd', 0xD800, L'e', 0};
    appendUtf8(out, std::wstring(L"ab\u00E9") + lone + L"\U0001F4BF" + wchar_t(0xDC00));
    EXPECT_EQ(out, std::string("xab\xC3\xA9") + "cd\xEF\xBF\xBD" + "e\xF0\x9F\x92\xBF\xEF\xBF\xBD");
    const struct {
        std::string bytes;
        std::wstring expected;
    } broken[] = {
        {"a\xC3", L"a\uFFFD"},                             // cut short at the end
        {"\xC3(", L"\uFFFD("},                             // continuation missing
        {"\xC0\xAF", L"\uFFFD\uFFFD"},                     // overlong '/'
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
        {"\xFF", L"\uFFFD"},
    };
    for (const auto& c : broken) {
        EXPECT_EQ(fromUtf8(c.bytes), c.expected) << c.bytes.size();
    }
}

} // namespace
