// FormatMessageW's message language, case by case.
#include "MessageFormatter.h"
#include "platform/Win32Codes.h"

#include <gtest/gtest.h>

using qmplatform::formatMessagePattern;
using qmplatform::MessageArgument;

namespace {

struct FormatCase {
    const char* name;
    const wchar_t* pattern;
    const wchar_t* expected;
};

std::vector<MessageArgument> arguments() {
    std::vector<MessageArgument> args;
    args.push_back(MessageArgument::fromText(L"alpha"));      // %1
    args.push_back(MessageArgument::fromNumber(42));          // %2
    args.push_back(MessageArgument::fromNumber(0xFFFFFFFEu)); // %3 (-2 as an int)
    args.push_back(MessageArgument{});                        // %4 missing
    for (int i = 5; i <= 10; ++i) {
        args.push_back(MessageArgument::fromText(L"t" + std::to_wstring(i))); // %5..%10
    }
    args.push_back(MessageArgument::fromNumber(6));     // %11: a width
    args.push_back(MessageArgument::fromText(L"star")); // %12
    return args;
}

class MessageFormatterCases : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MessageFormatterCases, FormatsAsTheSystemDoes) {
    const auto args = arguments();
    std::wstring out = L"untouched";
    ASSERT_EQ(formatMessagePattern(GetParam().pattern, args, 0, out), qmplatform::kErrorSuccess);
    EXPECT_EQ(out, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, MessageFormatterCases,
    ::testing::Values(
        FormatCase{"Plain", L"no inserts", L"no inserts"}, FormatCase{"Insert", L"[%1]", L"[alpha]"},
        FormatCase{"InsertSpecS", L"[%1!s!]", L"[alpha]"},
        FormatCase{"TwoDigitInsert", L"%10|%1", L"t10|alpha"},
        FormatCase{"ThirdDigitIsText", L"%100", L"t100"},
        FormatCase{"Decimal", L"%2!d! %3!d! %3!u!", L"42 -2 4294967294"},
        FormatCase{"Hex", L"%2!x! %2!X! %2!04x! %2!#x!", L"2a 2A 002a 0x2a"},
        FormatCase{"WidthAndJustify", L"[%1!8s!][%1!-8s!][%1!.3s!]", L"[   alpha][alpha   ][alp]"},
        FormatCase{"SignsAndPrecision", L"%2!+d! %2!.5d! %3!5d!", L"+42 00042    -2"},
        FormatCase{"StarWidthTakesTheNextArgument", L"[%11!*s!]", L"[  star]"},
        FormatCase{"NumberWithoutSpec", L"%2", L"42"}, FormatCase{"LineBreaks", L"a%nb", L"a\r\nb"},
        FormatCase{"TextLineBreaksBecomeCrLf", L"a\nb\r\nc\rd", L"a\r\nb\r\nc\r\nd"},
        FormatCase{"Escapes", L"100%% %. %! %  %x", L"100% . !   x"},
        FormatCase{"TabAndReturn", L"a%tb%rc", L"a\tb\rc"},
        FormatCase{"ZeroEndsWithoutLineBreak", L"kept%0dropped\r\n", L"kept"},
        FormatCase{"MissingInsertInsertsNothing", L"[%4][%4!d!][%20][%99!s!]", L"[][][][]"},
        FormatCase{"UnclosedSpecRunsToTheEnd", L"[%1!s", L"[alpha"},
        FormatCase{"TextUnderANumberSpec", L"%1!d!", L"alpha"},
        FormatCase{"MessageCompilerLineEnd", L"Service %1 started.\r\n", L"Service alpha started.\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MessageFormatter, TrailingPercentIsAnError) {
    std::wstring out = L"untouched";
    EXPECT_EQ(formatMessagePattern(L"50%", {}, 0, out), qmplatform::kErrorInvalidParameter);
    EXPECT_EQ(out, L"untouched");
}

TEST(MessageFormatter, TheBufferHoldsTheTextAndItsTerminator) {
    const auto args = arguments();
    std::wstring out = L"untouched";
    // "[alpha]" is 7 characters: 8 with the terminator.
    EXPECT_EQ(formatMessagePattern(L"[%1]", args, 7, out), qmplatform::kErrorInsufficientBuffer);
    EXPECT_EQ(out, L"untouched");
    EXPECT_EQ(formatMessagePattern(L"[%1]", args, 8, out), qmplatform::kErrorSuccess);
    EXPECT_EQ(out, L"[alpha]");
}

TEST(MessageFormatter, NoArgumentsAtAll) {
    std::wstring out;
    ASSERT_EQ(formatMessagePattern(L"%1 and %2!d!.", {}, 0, out), qmplatform::kErrorSuccess);
    EXPECT_EQ(out, L" and .");
}

} // namespace
