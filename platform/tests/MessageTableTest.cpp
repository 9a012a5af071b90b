// Message tables: finding an identifier across blocks, in each entry form,
// and refusing damaged tables.
#include "platform/formats/MessageTable.h"
#include "pe/Bytes.h"
#include "platform/formats/PeWriter.h"

#include <gtest/gtest.h>

using namespace qmplatform::pe;
namespace bytes = qmplatform::bytes;

TEST(MessageTable, FindsIdentifiersInEveryBlock) {
    const auto table = writeMessageTable({{0x40000064, L"Service started.\r\n"},
                                          {1, L"one"},
                                          {2, L"two %1"},
                                          {0xC0000065, L"Failed: %1\r\n"},
                                          {4, L"four"}});
    EXPECT_EQ(bytes::u32At(table, 0), 4u); // 1-2, 4, 0x40000064, 0xC0000065
    struct Case {
        std::uint32_t id;
        MessageLookup result;
        const wchar_t* text;
    };
    for (const Case& c :
         {Case{1, MessageLookup::Found, L"one"}, Case{2, MessageLookup::Found, L"two %1"},
          Case{3, MessageLookup::NotFound, L""}, Case{4, MessageLookup::Found, L"four"},
          Case{0x40000064, MessageLookup::Found, L"Service started.\r\n"},
          Case{0xC0000065, MessageLookup::Found, L"Failed: %1\r\n"},
          Case{0x40000065, MessageLookup::NotFound, L""}, Case{0, MessageLookup::NotFound, L""}}) {
        std::wstring text;
        EXPECT_EQ(findMessage(table, c.id, text), c.result) << c.id;
        if (c.result == MessageLookup::Found) {
            EXPECT_EQ(text, c.text);
        }
    }
}

TEST(MessageTable, ReadsAnsiAndUtf8Entries) {
    std::vector<std::uint8_t> table;
    bytes::putU32(table, 1);
    bytes::putU32(table, 10);
    bytes::putU32(table, 11);
    bytes::putU32(table, 16);
    // id 10: ANSI in code page 1252 ("\x80 caf\xE9")
    const std::uint8_t ansi[] = {0x80, ' ', 'c', 'a', 'f', 0xE9, 0, 0};
    bytes::putU16(table, 4 + sizeof ansi);
    bytes::putU16(table, kMessageResourceAnsi);
    table.insert(table.end(), std::begin(ansi), std::end(ansi));
    // id 11: UTF-8 ("caf\u00e9")
    const std::uint8_t utf8[] = {'c', 'a', 'f', 0xC3, 0xA9, 0, 0, 0};
    bytes::putU16(table, 4 + sizeof utf8);
    bytes::putU16(table, kMessageResourceUtf8);
    table.insert(table.end(), std::begin(utf8), std::end(utf8));
    std::wstring text;
    ASSERT_EQ(findMessage(table, 10, text), MessageLookup::Found);
    EXPECT_EQ(text, L"\u20AC caf\u00E9");
    ASSERT_EQ(findMessage(table, 11, text), MessageLookup::Found);
    EXPECT_EQ(text, L"caf\u00E9");
}

TEST(MessageTable, DamagedTablesAreRefusedWithoutOverreading) {
    const auto good = writeMessageTable({{1, L"one"}, {2, L"two"}, {3, L"three"}});
    struct Case {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
        bool wide;
    };
    // Block: low 4, high 8, offset 12; first entry at 16 (length, flags).
    for (const Case& c :
         {Case{"BlockCountHuge", 0, 0x10000000, true}, Case{"EntriesPastEnd", 12, 0x7FFFFFF0, true},
          Case{"EntryLengthZero", 16, 0, false}, Case{"EntryLengthPastEnd", 16, 0xFFFF, false},
          Case{"HighIdBeyondEntries", 8, 0xFFFFFFFF, true}}) {
        auto table = good;
        if (c.wide) {
            bytes::setU32(table, c.offset, c.value);
        } else {
            bytes::setU16(table, c.offset, static_cast<std::uint16_t>(c.value));
        }
        const std::vector<std::uint8_t> exact(table);
        std::wstring text;
        const MessageLookup result = findMessage(exact, 500, text);
        EXPECT_NE(result, MessageLookup::Found) << c.name;
        if (std::string(c.name) != "HighIdBeyondEntries") {
            EXPECT_EQ(findMessage(exact, 3, text), MessageLookup::Malformed) << c.name;
        }
    }
}
