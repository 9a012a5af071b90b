// Checks the constant rows themselves: which codes exist, and the naming and
// wording rules the labelling system's codes follow.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "diagtool/catalogue/ErrorCodeTable.h"

namespace {

std::vector<std::uint32_t> expectedCodes() {
    const std::set<std::uint32_t> absent = {0x202, 0x203, 0x20E,  0x20F,  0x218,  0x224, 0x225,
                                            0x238, 0x23A, 0x101A, 0x102B, 0x103E, 0x1044};
    std::vector<std::uint32_t> codes;
    for (std::uint32_t c = 0x201; c <= 0x23E; ++c) {
        if (!absent.count(c))
            codes.push_back(c);
    }
    for (std::uint32_t c = 0x1000; c <= 0x10AF; ++c) {
        const bool inHoles = (c >= 0x1055 && c <= 0x105F) || (c >= 0x1063 && c <= 0x107F);
        if (!absent.count(c) && !inHoles)
            codes.push_back(c);
    }
    return codes;
}

const ErrorCodeRow* rowOf(std::uint32_t code) {
    for (const ErrorCodeRow& row : errorCodeRows()) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

TEST(ErrorCodeTable, HoldsExactlyTheListedCodesInAscendingOrder) {
    std::vector<std::uint32_t> codes;
    for (const ErrorCodeRow& row : errorCodeRows())
        codes.push_back(row.code);
    EXPECT_EQ(codes.size(), 185u);
    EXPECT_EQ(codes, expectedCodes());
    EXPECT_EQ(std::count_if(codes.begin(), codes.end(), [](auto c) { return c <= kApiFamilyLast; }), 53);
    EXPECT_EQ(std::count_if(codes.begin(), codes.end(), [](auto c) { return c >= kCommFamilyFirst; }), 132);
}

TEST(ErrorCodeTable, SymbolicNamesAndClassesAreUnique) {
    std::set<std::string_view> names, classes;
    for (const ErrorCodeRow& row : errorCodeRows()) {
        EXPECT_TRUE(names.insert(row.symbolicName).second) << row.symbolicName;
        EXPECT_TRUE(classes.insert(row.errorClass).second) << row.errorClass;
    }
}

TEST(ErrorCodeTable, SymbolicNamesFollowTheComNamingRule) {
    const std::set<std::uint32_t> withoutE = {0x1088, 0x1089, 0x1098, 0x10A3, 0x10A4, 0x10A5};
    for (const ErrorCodeRow& row : errorCodeRows()) {
        SCOPED_TRACE(row.symbolicName);
        if (withoutE.count(row.code)) {
            EXPECT_TRUE(startsWith(row.symbolicName, "QMCAPI_"));
            EXPECT_FALSE(startsWith(row.symbolicName, "QMCAPI_E_"));
        } else {
            EXPECT_TRUE(startsWith(row.symbolicName, "QMCAPI_E_"));
        }
        EXPECT_TRUE(std::all_of(row.symbolicName.begin(), row.symbolicName.end(),
                                [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; }));
    }
}

TEST(ErrorCodeTable, CommunicationClassesBeginWithCommExceptTheNineOutwardOnes) {
    const std::set<std::uint32_t> plain = {0x1012, 0x1080, 0x1081, 0x1087, 0x109F,
                                           0x10A6, 0x10A8, 0x10A9, 0x10AF};
    for (const ErrorCodeRow& row : errorCodeRows()) {
        SCOPED_TRACE(row.errorClass);
        const bool comm = startsWith(row.errorClass, "COMM_");
        if (row.code <= kApiFamilyLast || plain.count(row.code))
            EXPECT_FALSE(comm);
        else
            EXPECT_TRUE(comm);
    }
}

TEST(ErrorCodeTable, SubFamilyMessagesOpenWithTheirWords) {
    struct SubFamily {
        std::string_view classPrefix;
        std::string_view messageOpening;
        int count;
    };
    const SubFamily families[] = {{"COMM_NR_", "Not ready, ", 8},
                                  {"COMM_ME_", "Media Error, ", 7},
                                  {"COMM_HE_", "Hardware Error, ", 14},
                                  {"COMM_IR_", "Illegal request, ", 9},
                                  {"COMM_NS_", "No sense, ", 5}};
    for (const SubFamily& family : families) {
        int seen = 0;
        for (const ErrorCodeRow& row : errorCodeRows()) {
            if (!startsWith(row.errorClass, family.classPrefix))
                continue;
            ++seen;
            EXPECT_TRUE(startsWith(row.message, family.messageOpening))
                << row.errorClass << ": " << row.message;
        }
        EXPECT_EQ(seen, family.count) << family.classPrefix;
    }
}

TEST(ErrorCodeTable, SenseKeyEntriesNameTheirSenseKeyInBothTexts) {
    for (std::uint32_t key = 0; key <= kSenseKeyLast - kSenseKeyFirst; ++key) {
        const ErrorCodeRow* row = rowOf(kSenseKeyFirst + key);
        ASSERT_NE(row, nullptr);
        char wanted[32];
        std::snprintf(wanted, sizeof wanted, key < 10 ? "(sense key %X)" : "(sense key 0%Xh)", key);
        EXPECT_NE(row->message.find(wanted), std::string_view::npos) << row->message;
        EXPECT_NE(row->comment.find(wanted), std::string_view::npos) << row->comment;
    }
}

TEST(ErrorCodeTable, OutwardCodesExplainTheirWholeClass) {
    for (std::uint32_t code : {0x1080u, 0x1081u, 0x1087u}) {
        const ErrorCodeRow* row = rowOf(code);
        ASSERT_NE(row, nullptr);
        EXPECT_TRUE(startsWith(row->comment, "External code for")) << row->comment;
    }
}

TEST(ErrorCodeTable, TextsArePrintableAsciiWithTabsOnlyWhereTheSystemHasThem) {
    std::size_t longest = 0;
    int sameText = 0;
    for (const ErrorCodeRow& row : errorCodeRows()) {
        SCOPED_TRACE(row.symbolicName);
        for (std::string_view text : {row.comment, row.message}) {
            longest = std::max(longest, text.size());
            const bool tabbed = text.find('\t') != std::string_view::npos;
            EXPECT_EQ(tabbed, row.code == 0x1048 || row.code == 0x109A);
            EXPECT_TRUE(std::all_of(text.begin(), text.end(),
                                    [](char c) { return c == '\t' || (c >= 32 && c < 127); }));
        }
        EXPECT_FALSE(row.comment.empty());
        // Only the end marker has no user message: it is never shown as a failure.
        EXPECT_EQ(row.message.empty(), row.code == kCommFamilyLast);
        sameText += row.comment == row.message ? 1 : 0;
    }
    EXPECT_EQ(longest, 373u);
    EXPECT_EQ(sameText, 93);
}
