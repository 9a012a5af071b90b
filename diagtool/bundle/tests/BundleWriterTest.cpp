// The bundle writer's parts (hash, redaction, zip times) and the writer on
// copies of the sample machines, made by qmmachine as a user's would be.
#include "diagtool/bundle/BundleFormat.h"
#include "diagtool/app/DiagtoolSession.h"
#include "QmMachineCommand.h"
#include "diagtool/app/ReadOnlySystem.h"
#include "diagtool/bundle/Redactor.h"
#include "diagtool/bundle/Sha256.h"
#include "diagtool/bundle/SupportBundle.h"
#include "diagtool/bundle/ZipWriter.h"

#include "platform/machine/EmulatedSystem.h"
#include "platform/RegistryData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using qmbundle::BundleContents;
using qmbundle::Redactor;

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(Sha256Test, KnownDigestsAcrossBlockBoundaries) {
    struct Case {
        std::size_t length;
        const char* digest;
    };
    // Lengths around the 55/56 and 64 byte edges of the padding.
    const Case cases[] = {
        {0, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {63, "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {65, "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
        {119, "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
        {1000000, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> data(c.length, 'a');
        EXPECT_EQ(qmbundle::sha256Hex(data), c.digest) << c.length;
    }
    EXPECT_EQ(qmbundle::sha256Hex(bytes("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(RedactorTest, NamesAsWholeWordsAndUserSids) {
    const Redactor r(L"quill", L"QUILLMARK-PC");
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    };
    const Case cases[] = {
        {L"C:\\users\\quill\\AppData\\Local", L"C:\\users\\redacted-user\\AppData\\Local"},
        {L"SOFTWARE\\Quillmark", L"SOFTWARE\\Quillmark"},
        {L"QUILL logged on", L"redacted-user logged on"},
        {L"quill_x quill2 xquill", L"quill_x quill2 xquill"},
        {L"on QUILLMARK-PC today", L"on REDACTED-PC today"},
        {L"quillmark-pc", L"REDACTED-PC"},
        {L"S-1-5-21-1111-2222-3333-1001", L"S-1-5-21-0-0-0-1001"},
        {L"sid=S-1-5-21-1-2-3", L"sid=S-1-5-21-0-0-0"},
        {L"S-1-5-18 S-1-5-21-1-2", L"S-1-5-18 S-1-5-21-1-2"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(r.text(c.in), c.out) << qmplatform::toUtf8(c.in);
    }
    EXPECT_EQ(Redactor().text(L"C:\\users\\quill"), L"C:\\users\\quill");
    EXPECT_EQ(r.utf8("<User>quill</User>"), "<User>redacted-user</User>");
}

TEST(RedactorTest, TextFilesInBothEncodingsSidsAndModules) {
    const Redactor r(L"quill", L"QUILLMARK-PC");
    EXPECT_EQ(r.textFile(bytes("<Host>QUILLMARK-PC</Host> Quillmark")),
              bytes("<Host>REDACTED-PC</Host> Quillmark"));
    std::vector<std::uint8_t> wide = {0xFF, 0xFE};
    const std::vector<std::uint8_t> text = qmplatform::utf16leBytes(L"user quill");
    wide.insert(wide.end(), text.begin(), text.end());
    std::vector<std::uint8_t> expected = {0xFF, 0xFE};
    const std::vector<std::uint8_t> done = qmplatform::utf16leBytes(L"user redacted-user");
    expected.insert(expected.end(), done.begin(), done.end());
    EXPECT_EQ(r.textFile(wide), expected);

    // S-1-5-21-10-20-30-1001 keeps its RID; S-1-5-18 is no user's.
    const std::vector<std::uint8_t> user = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 10, 0, 0, 0, 20, 0, 0, 0,
                                            30, 0, 0, 0, 0xE9, 3, 0, 0};
    std::vector<std::uint8_t> redacted = user;
    std::fill(redacted.begin() + 12, redacted.begin() + 24, 0);
    EXPECT_EQ(r.sid(user), redacted);
    const std::vector<std::uint8_t> system = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    EXPECT_EQ(r.sid(system), system);
    EXPECT_EQ(r.sid({user.data(), 20}), std::vector<std::uint8_t>(user.begin(), user.begin() + 20));

    EXPECT_TRUE(r.mentionedIn(bytes("MZ..C:\\users\\quill\\x")));
    EXPECT_TRUE(r.mentionedIn(text));
    EXPECT_FALSE(r.mentionedIn(bytes("MZ..Quillmark")));
    EXPECT_FALSE(Redactor().mentionedIn(text));
}

TEST(ZipWriterTest, DosTimesAndRefusedNames) {
    std::uint16_t time = 0, date = 0;
    qmbundle::dosDateTime(1796817829, time, date); // 2026-12-09 12:03:49 UTC
    EXPECT_EQ(date, ((2026 - 1980) << 9) | (12 << 5) | 9);
    EXPECT_EQ(time, (12 << 11) | (3 << 5) | 24);
    qmbundle::dosDateTime(0, time, date);
    EXPECT_EQ(date, (1 << 5) | 1);
    qmbundle::ZipWriter zip;
    std::string error;
    EXPECT_FALSE(zip.add("", bytes("x"), error));
    EXPECT_TRUE(zip.add("a.txt", bytes("x"), error));
    const std::vector<std::uint8_t> archive = zip.finish();
    // End record: one entry, at the very end.
    ASSERT_GE(archive.size(), 22u);
    EXPECT_EQ(archive[archive.size() - 22], 0x50);
    EXPECT_EQ(archive[archive.size() - 12], 1);
}

class BundleWriterTest : public ::testing::Test {
protected:
    fs::path dir;

    void create(const std::string& sample) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(::testing::TempDir()) / ("bundle_" + std::string(test->name()) + "_" + sample);
        fs::remove_all(dir);
        std::ostringstream out, err;
        ASSERT_EQ(qmmachine::runQmMachine({"create", dir.string(), "--from", sample}, out, err), 0) << err.str();
    }
    BundleContents collect(bool redact = false) {
        std::string error;
        auto system = qmplatform::emulated::makeEmulatedSystem(dir, {}, error);
        EXPECT_TRUE(system) << error;
        DiagtoolSession session(qmdiag::makeReadOnlySystem(std::move(system)));
        qmbundle::BundleOptions options;
        options.redact = redact;
        options.now = 1793700000; // 2026-11-04, a few days after the samples' events
        return qmbundle::collectSupportBundle(session, options);
    }
    static const qmbundle::BundleEntry* find(const BundleContents& c, const std::string& name) {
        for (const auto& e : c.entries) {
            if (e.name == name) {
                return &e;
            }
        }
        return nullptr;
    }
    static std::string text(const qmbundle::BundleEntry* e) {
        return e == nullptr ? std::string() : std::string(e->data.begin(), e->data.end());
    }
    static std::string utf16(const qmbundle::BundleEntry* e) {
        return e == nullptr ? std::string() : qmplatform::toUtf8(qmplatform::fromUtf16le(e->data));
    }
    void write(const fs::path& file, std::string_view content) { std::ofstream(file, std::ios::binary) << content; }
};

TEST_F(BundleWriterTest, CarriesEveryKindAndChangesNothing) {
    create("broken");
    std::ostringstream before;
    before << std::ifstream(dir / "HKLM.reg", std::ios::binary).rdbuf() << std::ifstream(dir / "machine.json").rdbuf();
    const BundleContents c = collect();
    std::set<std::string> kinds;
    for (const auto& e : c.entries) {
        kinds.insert(e.kind);
    }
    for (const char* kind : {qmbundle::kKindReportText, qmbundle::kKindReportJson, qmbundle::kKindFacts,
                             qmbundle::kKindDrives, qmbundle::kKindRegistry, qmbundle::kKindModuleVersions,
                             qmbundle::kKindModule, qmbundle::kKindInstallerMarker, qmbundle::kKindErrorLog,
                             qmbundle::kKindEventLog}) {
        EXPECT_EQ(kinds.count(kind), 1u) << kind;
    }
    EXPECT_TRUE(c.failures.empty()) << c.failures.dump();
    EXPECT_NE(text(find(c, "report.json")).find("\"isAutorunOn\": false"), std::string::npos);
#ifdef _WIN32
    // The labelling server is the one the system's COM registers, not the
    // sample machine's: only the shape of the entry is the bundle's.
    const auto drives = nlohmann::json::parse(text(find(c, "drives.json")));
    EXPECT_TRUE(drives.contains("reachable") && drives.contains("drives")) << drives.dump();
#else
    EXPECT_NE(text(find(c, "drives.json")).find("\"Validate\": \"0xC004022B\""), std::string::npos);
#endif
    EXPECT_NE(utf16(find(c, "registry/03-Services-CDRom.reg")).find("\"autorun\"=dword:00000000"), std::string::npos);
    std::ostringstream after;
    after << std::ifstream(dir / "HKLM.reg", std::ios::binary).rdbuf() << std::ifstream(dir / "machine.json").rdbuf();
    EXPECT_EQ(before.str(), after.str());

    // The manifest lists each entry with its size and SHA-256.
    const nlohmann::ordered_json m = qmbundle::bundleManifest(c);
    EXPECT_EQ(m["formatVersion"], qmbundle::kFormatVersion);
    ASSERT_EQ(m["entries"].size(), c.entries.size());
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
        EXPECT_EQ(m["entries"][i]["name"], c.entries[i].name);
        EXPECT_EQ(m["entries"][i]["size"], c.entries[i].data.size());
        EXPECT_EQ(m["entries"][i]["sha256"], qmbundle::sha256Hex(c.entries[i].data));
    }
}

TEST_F(BundleWriterTest, WinlogonGivesOnlyTheCheckedValue) {
    create("healthy");
    std::ostringstream out, err;
    const fs::path reg = dir / "extra.reg";
    write(reg,
          "Windows Registry Editor Version 5.00\r\n\r\n"
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon]\r\n"
          "\"DefaultPassword\"=\"secret\"\r\n");
    ASSERT_EQ(qmmachine::runQmMachine({"reg", "import", dir.string(), reg.string()}, out, err), 0) << err.str();
    const std::string winlogon = utf16(find(collect(), "registry/04-Winlogon.reg"));
    EXPECT_NE(winlogon.find("allocatecdroms"), std::string::npos);
    EXPECT_EQ(winlogon.find("secret"), std::string::npos);
    EXPECT_EQ(winlogon.find("DefaultPassword"), std::string::npos);
}

TEST_F(BundleWriterTest, LogLimitsLeaveTheOldestOutAndAFailureIsNotFatal) {
    create("healthy");
    const fs::path logs = dir / "drive_c/ProgramData/Quillmark/log";
    write(logs / "huge.xml", std::string(qmbundle::kMaxLogFileBytes + 1, ' '));
    // A damaged event log: the log cannot be read, everything else is carried.
    write(dir / "drive_c/windows/system32/config/AppEvent.Evt", "not an event log");
    const BundleContents c = collect();
    bool leftOut = false;
    for (const auto& l : c.leftOut) {
        leftOut = leftOut || (l["item"].get<std::string>().find("huge.xml") != std::string::npos &&
                              l["reason"].get<std::string>().find("per log file") != std::string::npos);
    }
    EXPECT_TRUE(leftOut) << c.leftOut.dump();
    EXPECT_EQ(find(c, "files/CommonAppData/Quillmark/log/huge.xml"), nullptr);
    ASSERT_EQ(c.failures.size(), 1u) << c.failures.dump();
    EXPECT_EQ(c.failures[0]["item"], "Application event log");
    EXPECT_EQ(find(c, qmbundle::kEventLogName), nullptr);
    EXPECT_NE(find(c, qmbundle::kReportJsonName), nullptr);
    EXPECT_NE(find(c, "files/CommonAppData/Quillmark/log/QMService.xml"), nullptr);
}

TEST_F(BundleWriterTest, RedactedBundleNamesNeitherUserNorComputer) {
    create("broken");
    const BundleContents c = collect(true);
    EXPECT_TRUE(qmbundle::bundleManifest(c)["redacted"].get<bool>());
    const std::vector<std::uint8_t> computer = qmplatform::utf16leBytes(L"QUILLMARK-PC");
    const std::vector<std::uint8_t> profile = qmplatform::utf16leBytes(L"\\quill\\");
    for (const auto& e : c.entries) {
        const std::string t = text(&e);
        EXPECT_EQ(t.find("QUILLMARK-PC"), std::string::npos) << e.name;
        EXPECT_EQ(t.find("\\\\quill\\\\"), std::string::npos) << e.name;
        EXPECT_EQ(t.find("\"quill\""), std::string::npos) << e.name;
        EXPECT_EQ(std::search(e.data.begin(), e.data.end(), computer.begin(), computer.end()), e.data.end()) << e.name;
        EXPECT_EQ(std::search(e.data.begin(), e.data.end(), profile.begin(), profile.end()), e.data.end()) << e.name;
    }
    EXPECT_NE(text(find(c, qmbundle::kFactsName)).find("\"userName\": \"redacted-user\""), std::string::npos);
    EXPECT_NE(text(find(c, qmbundle::kFactsName)).find("AppData\\\\Local"), std::string::npos);
}

TEST_F(BundleWriterTest, WritesAtomically) {
    create("bare");
    const BundleContents c = collect();
    std::string error;
    EXPECT_FALSE(qmbundle::writeSupportBundle(dir / "missing-folder" / "b.zip", c, error));
    EXPECT_FALSE(fs::exists(dir / "missing-folder"));
    const fs::path out = fs::path(::testing::TempDir()) / "bundle_atomic";
    fs::remove_all(out);
    fs::create_directories(out);
    write(out / "b.zip", "old");
    ASSERT_TRUE(qmbundle::writeSupportBundle(out / "b.zip", c, error)) << error;
    EXPECT_GT(fs::file_size(out / "b.zip"), 100u);
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
}

} // namespace
