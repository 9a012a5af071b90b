#include "platform/formats/RegFile.h"
#include "platform/RegistryData.h"

#include <gtest/gtest.h>

using namespace qmplatform;
using namespace qmplatform::emulated;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes utf8(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes utf16WithBom(std::wstring_view text) {
    Bytes out{0xFF, 0xFE};
    const Bytes units = utf16leBytes(text);
    out.insert(out.end(), units.begin(), units.end());
    return out;
}

std::wstring asText(const Bytes& fileBytes) {
    EXPECT_GE(fileBytes.size(), 2u);
    return fromUtf16le(std::span<const std::uint8_t>(fileBytes).subspan(2));
}

RegFileContents parsed(const Bytes& bytes) {
    RegFileContents contents;
    std::string error;
    EXPECT_TRUE(parseRegFile(bytes, contents, error)) << error;
    return contents;
}

constexpr std::string_view kHead = "Windows Registry Editor Version 5.00\r\n\r\n";

TEST(RegFile, ReadsEveryKindOfEntry) {
    const std::string text = std::string(kHead) +
                             "; a comment\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark]\r\n"
                             "@=\"default\"\r\n"
                             "\"LogLevel\"=\"Error\"\r\n"
                             "\"Quoted \\\"name\\\" \\\\\"=\"C:\\\\Program Files\\\\\"\r\n"
                             "\"APILogging\"=dword:00000001\r\n"
                             "  \"Short\" = DWORD:2\r\n"
                             "\"Bin\"=hex:00,ff,10\r\n"
                             "\"Empty\"=hex:\r\n"
                             "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                             "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
                             "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                             "\"Odd\"=hex(1234):1,2\r\n"
                             "\"Lines\"=\"a\\nb\\r\"\r\n"
                             "\"Gone\"=-\r\n"
                             "\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
                             "[hkey_classes_root\\CLSID\\]\r\n";
    const RegFileContents contents = parsed(utf8(text));
    RegFileContents expected;
    expected.keys.push_back({L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark",
                             false,
                             {
                                 {L"", false, kRegSz, regSzData(L"default")},
                                 {L"LogLevel", false, kRegSz, regSzData(L"Error")},
                                 {L"Quoted \"name\" \\", false, kRegSz, regSzData(L"C:\\Program Files\\")},
                                 {L"APILogging", false, kRegDword, regDwordData(1)},
                                 {L"Short", false, kRegDword, regDwordData(2)},
                                 {L"Bin", false, kRegBinary, {0x00, 0xFF, 0x10}},
                                 {L"Empty", false, kRegBinary, {}},
                                 {L"Expand", false, kRegExpandSz, regSzData(L"%A%")},
                                 {L"Multi", false, kRegMultiSz, {'a', 0, 0, 0, 0, 0}},
                                 {L"Q", false, kRegQword, regQwordData(1)},
                                 {L"Odd", false, 0x1234, {1, 2}},
                                 {L"Lines", false, kRegSz, regSzData(L"a\nb\r")},
                                 {L"Gone", true, kRegSz, {}},
                             }});
    expected.keys.push_back({L"HKEY_CURRENT_USER\\Software\\Old", true, {}});
    expected.keys.push_back({L"hkey_classes_root\\CLSID\\", false, {}});
    EXPECT_EQ(contents, expected);
}

TEST(RegFile, HexValuesContinueOverLinesEndingInABackslash) {
    const std::string text = std::string(kHead) + "[HKEY_CURRENT_USER\\X]\r\n"
                                                  "\"Wrapped\"=hex:01,02,\\\r\n"
                                                  "  03,04,\\\r\n"
                                                  "\t05\r\n"
                                                  "\"Next\"=dword:0000000a\r\n";
    const RegFileContents contents = parsed(utf8(text));
    ASSERT_EQ(contents.keys.size(), 1u);
    ASSERT_EQ(contents.keys[0].values.size(), 2u);
    EXPECT_EQ(contents.keys[0].values[0].data, (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(contents.keys[0].values[1].data, regDwordData(10));
}

TEST(RegFile, ReadsUtf8AndUtf16WithAnyLineEnds) {
    const std::wstring text =
        L"Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Gr\u00f6\u00dfe]\r"
        L"\"\u20ac\"=\"\u4e2d \U0001F600\"\n";
    std::string asUtf8 = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Gr\xC3\xB6\xC3\x9F"
                         "e]\r\"\xE2\x82\xAC\"=\"\xE4\xB8\xAD \xF0\x9F\x98\x80\"\n";
    RegFileContents expected;
    expected.keys.push_back({L"HKEY_CURRENT_USER\\Gr\u00f6\u00dfe",
                             false,
                             {{L"\u20ac", false, kRegSz, regSzData(L"\u4e2d \U0001F600")}}});
    EXPECT_EQ(parsed(utf16WithBom(text)), expected);
    EXPECT_EQ(parsed(utf8(asUtf8)), expected);
    EXPECT_EQ(parsed(utf8("\xEF\xBB\xBF" + asUtf8)), expected);
    // The character beyond the BMP is one surrogate pair in the data.
    EXPECT_EQ(expected.keys[0].values[0].data.size(), (1 + 1 + 2 + 1) * 2u);
}

struct Rejected {
    const char* what;
    std::string text; // after the header unless it starts with '!'
    const char* reason;
};

TEST(RegFile, RejectsWhatRegeditWouldNotTakeAndSaysWhere) {
    const Rejected cases[] = {
        {"no header", "![HKEY_CURRENT_USER\\X]\r\n", "first line"},
        {"empty file", "!", "first line"},
        {"version 4", "!REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n", "REGEDIT4"},
        {"big-endian UTF-16", "!\xFE\xFF", "big-endian"},
        {"odd UTF-16", "!\xFF\xFE\x57", "odd number"},
        {"bad UTF-8", "[HKEY_CURRENT_USER\\\xC3]\r\n", "UTF-8"},
        {"overlong UTF-8", "[HKEY_CURRENT_USER\\\xC0\xAF]\r\n", "UTF-8"},
        {"encoded surrogate", "[HKEY_CURRENT_USER\\\xED\xA0\x80]\r\n", "UTF-8"},
        {"value before a key", "\"a\"=\"b\"\r\n", "line 3: value before the first key"},
        {"unclosed key", "[HKEY_CURRENT_USER\\X\r\n", "line 3: key name without"},
        {"empty key", "[]\r\n", "empty key name"},
        {"empty deletion", "[-]\r\n", "empty key name"},
        {"unknown root", "[HKEY_USERS\\.DEFAULT]\r\n", "does not start with"},
        {"root as prefix only", "[HKEY_CURRENT_USERX\\a]\r\n", "does not start with"},
        {"stray text", "[HKEY_CURRENT_USER\\X]\r\nsomething\r\n", "line 4: neither"},
        {"unclosed name", "[HKEY_CURRENT_USER\\X]\r\n\"name=v\r\n", "closing '\"'"},
        {"unclosed text", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=\"v\r\n", "closing '\"'"},
        {"escape at end", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=\"v\\\r\n", "closing '\"'"},
        {"unknown escape", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=\"\\t\"\r\n", "unknown escape"},
        {"no equals", "[HKEY_CURRENT_USER\\X]\r\n\"n\" \"v\"\r\n", "'=' expected"},
        {"default without equals", "[HKEY_CURRENT_USER\\X]\r\n@\r\n", "'=' expected"},
        {"text after the quote", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=\"v\" x\r\n", "after the closing quote"},
        {"unknown type", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=qword:1\r\n", "unknown kind"},
        {"bare number", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=1\r\n", "unknown kind"},
        {"empty dword", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=dword:\r\n", "1 to 8 hex digits"},
        {"long dword", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=dword:123456789\r\n", "1 to 8 hex digits"},
        {"non-hex dword", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=dword:0000000g\r\n", "1 to 8 hex digits"},
        {"signed dword", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=dword:-1\r\n", "1 to 8 hex digits"},
        {"hex without colon", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex 01\r\n", "':' expected"},
        {"empty hex type", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex():01\r\n", "hex(type)"},
        {"long hex type", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex(123456789):01\r\n", "hex(type)"},
        {"bad hex type", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex(z):01\r\n", "hex(type)"},
        {"unclosed hex type", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex(2:01\r\n", "hex(type)"},
        {"three-digit byte", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex:100\r\n", "one or two hex digits"},
        {"bytes without commas", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex:01 02\r\n", "one or two hex digits"},
        {"empty byte", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex:01,,02\r\n", "one or two hex digits"},
        {"trailing comma", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex:01,\r\n", "one or two hex digits"},
        {"non-hex byte", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex:0x\r\n", "one or two hex digits"},
        {"continuation at the end", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex:01,\\\r\n", "line 4: the file ends"},
        {"continuation without comma", "[HKEY_CURRENT_USER\\X]\r\n\"n\"=hex:01\\\r\n02\r\n",
         "line 5: hex bytes"},
        {"value under a deleted key", "[-HKEY_CURRENT_USER\\X]\r\n\"n\"=-\r\n", "deletes"},
    };
    for (const Rejected& c : cases) {
        std::string bytes = c.text;
        if (!bytes.empty() && bytes.front() == '!') {
            bytes.erase(0, 1);
        } else {
            bytes = std::string(kHead) + bytes;
        }
        RegFileContents contents;
        contents.keys.push_back({L"HKEY_CURRENT_USER\\Untouched", false, {}});
        std::string error;
        EXPECT_FALSE(parseRegFile(utf8(bytes), contents, error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(contents.keys.size(), 1u) << c.what;
    }
}

TEST(RegFile, WritesUtf16WithRegeditsLayout) {
    RegFileContents contents;
    Bytes hundred(100);
    for (std::size_t i = 0; i < hundred.size(); ++i) {
        hundred[i] = static_cast<std::uint8_t>(i);
    }
    contents.keys.push_back(
        {L"HKEY_CURRENT_USER\\Software\\QmProbe2",
         false,
         {
             {L"", false, kRegSz, regSzData(L"default")},
             {L"a long value name for wrapping", false, kRegBinary, hundred},
             {L"dw5", false, kRegDword, regDwordData(0x04030201)},
             {L"esc\"q\\", false, kRegSz, regSzData(L"x\"y\\z")},
             {L"multi", false, kRegMultiSz, regMultiSzData(std::vector<std::wstring>{L"one", L"two"})},
             {L"odd type", false, 0x1234, {1, 2}},
             {L"q", false, kRegQword, regQwordData(0x8000000000000001ull)},
         }});
    contents.keys.push_back({L"HKEY_CURRENT_USER\\Software\\Old", true, {}});
    contents.keys.push_back({L"HKEY_CURRENT_USER\\Software\\Kept", false, {{L"gone", true, kRegNone, {}}}});
    const Bytes bytes = writeRegFile(contents);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    // The first key is what Wine's "regedit /E" wrote for the same values,
    // line for line.
    EXPECT_EQ(asText(bytes),
              L"Windows Registry Editor Version 5.00\r\n"
              L"\r\n"
              L"[HKEY_CURRENT_USER\\Software\\QmProbe2]\r\n"
              L"@=\"default\"\r\n"
              L"\"a long value name for wrapping\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,\\\r\n"
              L"  0e,0f,10,11,12,13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,\\\r\n"
              L"  27,28,29,2a,2b,2c,2d,2e,2f,30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f,\\\r\n"
              L"  40,41,42,43,44,45,46,47,48,49,4a,4b,4c,4d,4e,4f,50,51,52,53,54,55,56,57,58,\\\r\n"
              L"  59,5a,5b,5c,5d,5e,5f,60,61,62,63\r\n"
              L"\"dw5\"=dword:04030201\r\n"
              L"\"esc\\\"q\\\\\"=\"x\\\"y\\\\z\"\r\n"
              L"\"multi\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,00\r\n"
              L"\"odd type\"=hex(1234):01,02\r\n"
              L"\"q\"=hex(b):01,00,00,00,00,00,00,80\r\n"
              L"\r\n"
              L"[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
              L"\r\n"
              L"[HKEY_CURRENT_USER\\Software\\Kept]\r\n"
              L"\"gone\"=-\r\n"
              L"\r\n");
}

TEST(RegFile, EveryValueSurvivesAWriteAndARead) {
    RegFileContents contents;
    contents.keys.push_back(
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Round \u00e4 \U0001F600 trip]",
         false,
         {
             {L"", false, kRegSz, regSzData(L"")},
             {L"plain", false, kRegSz, regSzData(L"\u20ac \"quoted\" \\back\\ \U0001F600")},
             {L"no terminator", false, kRegSz, {'a', 0}},
             {L"empty sz", false, kRegSz, {}},
             {L"odd length", false, kRegSz, {'a', 0, 0}},
             {L"inner terminator", false, kRegSz, {'a', 0, 0, 0, 'b', 0, 0, 0}},
             {L"line\r\nbreaks", false, kRegSz, regSzData(L"a\r\nb")},
             {L"lone surrogate", false, kRegSz, {0x00, 0xD8, 0, 0}},
             {L"short dword", false, kRegDword, {1, 2}},
             {L"dword", false, kRegDword, regDwordData(0xFFFFFFFF)},
             {L"expand", false, kRegExpandSz, regSzData(L"%SystemRoot%")},
             {L"multi", false, kRegMultiSz, regMultiSzData(std::vector<std::wstring>{L"a", L"b"})},
             {L"binary", false, kRegBinary, Bytes(200, 0xAB)},
             {L"empty binary", false, kRegBinary, {}},
             {L"none", false, kRegNone, {}},
             {L"big type", false, 0xFFFFFFFF, {7}},
             {L"deleted", true, kRegSz, {}},
         }});
    contents.keys.push_back({L"HKEY_CURRENT_USER\\Gone", true, {}});
    contents.keys.push_back({L"HKEY_CLASSES_ROOT", false, {}});
    EXPECT_EQ(parsed(writeRegFile(contents)), contents);
}

TEST(RegFile, RootNamesSplitOffTheirPath) {
    RegRoot root = RegRoot::CurrentUser;
    std::wstring path = L"kept";
    ASSERT_TRUE(splitRootPath(L"hkey_local_machine\\SOFTWARE\\X\\", root, path));
    EXPECT_EQ(root, RegRoot::LocalMachine);
    EXPECT_EQ(path, L"SOFTWARE\\X\\");
    ASSERT_TRUE(splitRootPath(L"HKEY_CLASSES_ROOT", root, path));
    EXPECT_EQ(root, RegRoot::ClassesRoot);
    EXPECT_EQ(path, L"");
    EXPECT_FALSE(splitRootPath(L"HKLM\\SOFTWARE", root, path));
    EXPECT_EQ(rootName(RegRoot::CurrentUser), L"HKEY_CURRENT_USER");
}

} // namespace
