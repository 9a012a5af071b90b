// The bundle reader against archives from outside: each refusal, and the
// report of entries that do not match the manifest.
#include "diagtool/bundle/BundleReader.h"
#include "diagtool/bundle/Sha256.h"
#include "diagtool/bundle/SupportBundle.h"
#include "diagtool/bundle/ZipWriter.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

struct Entry {
    std::string name;
    std::vector<std::uint8_t> data;
};

// A bundle as the writer makes it, from the entries given; `manifest` edits
// the manifest before it is packed.
std::vector<std::uint8_t> bundle(const std::vector<Entry>& entries,
                                 const std::function<void(Json&)>& manifest = {}) {
    qmbundle::BundleContents contents;
    contents.created = 1796817829;
    for (const Entry& e : entries) {
        contents.entries.push_back({e.name, qmbundle::kKindFacts, "test", e.data});
    }
    Json m = qmbundle::bundleManifest(contents);
    if (manifest) {
        manifest(m);
    }
    qmbundle::ZipWriter zip;
    std::string error;
    const std::string text = m.dump();
    EXPECT_TRUE(zip.add(qmbundle::kManifestName, bytes(text), error));
    for (const Entry& e : entries) {
        EXPECT_TRUE(zip.add(e.name, e.data, error));
    }
    return zip.finish();
}

std::string refusal(const std::vector<std::uint8_t>& archive, const qmbundle::ReadLimits& limits = {}) {
    qmbundle::ReadBundle read;
    std::string error;
    if (qmbundle::readSupportBundle(archive, read, error, limits)) {
        return "(accepted)";
    }
    return error;
}

TEST(BundleReaderTest, ReadsWhatTheWriterWrote) {
    qmbundle::BundleContents contents;
    contents.created = 1796817829;
    contents.entries.push_back({"facts.json", qmbundle::kKindFacts, "facts", bytes("{\"userName\": \"quill\"}")});
    contents.entries.push_back({"files/LocalAppData/Quillmark/log/a b.xml", qmbundle::kKindErrorLog, "log",
                                std::vector<std::uint8_t>(200000, 'x')});
    std::vector<std::uint8_t> archive;
    std::string error;
    ASSERT_TRUE(qmbundle::packSupportBundle(contents, archive, error)) << error;
    qmbundle::ReadBundle read;
    ASSERT_TRUE(qmbundle::readSupportBundle(archive, read, error)) << error;
    EXPECT_TRUE(read.mismatches.empty());
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries["facts.json"], contents.entries[0].data);
    EXPECT_EQ(read.entries["files/LocalAppData/Quillmark/log/a b.xml"], contents.entries[1].data);
    ASSERT_NE(read.row("facts.json"), nullptr);
    EXPECT_EQ((*read.row("facts.json"))["kind"], "facts");
}

TEST(BundleReaderTest, RefusesEntryNames) {
    const char* names[] = {
        "/etc/passwd", "../up.txt",  "a/../../b", "C:/windows/x", "C:x",       "..\\up",  "CON",
        "aux.txt",     "dir/LPT1",   "com9.log",  "Con .txt",     "x.",        "x ",      "a//b",
        "dir/",        "./a",        "tab\there", "a:b",          "q?.txt",    "conin$",
    };
    for (const char* name : names) {
        EXPECT_FALSE(qmbundle::entryNameProblem(name).empty()) << name;
        const std::string error = refusal(bundle({{name, bytes("x")}}));
        EXPECT_NE(error.find("is refused"), std::string::npos) << name << ": " << error;
    }
    // libarchive reads a backslash in a DOS-made entry as a folder separator;
    // the name alone is refused all the same.
    EXPECT_EQ(qmbundle::entryNameProblem("a\\b"), "holds the character '\\'");
    for (const char* name : {"files/CommonProgramFiles/Quillmark/QMCMHT.dll", "console.txt", "COM10", "a.b.c",
                             "registry/07-Eventlog-QuillmarkService Updater.reg", "lpt"}) {
        EXPECT_EQ(qmbundle::entryNameProblem(name), "") << name;
    }
}

// Unix "made by" and a link mode in the central directory's external
// attributes: what zip tools write for a symbolic link.
std::vector<std::uint8_t> withSymlink(std::vector<std::uint8_t> archive, const std::string& name) {
    for (std::size_t at = 0; at + 46 < archive.size(); ++at) {
        if (archive[at] == 0x50 && archive[at + 1] == 0x4B && archive[at + 2] == 1 && archive[at + 3] == 2 &&
            std::string(archive.begin() + static_cast<std::ptrdiff_t>(at) + 46,
                        archive.begin() + static_cast<std::ptrdiff_t>(at) + 46 + static_cast<std::ptrdiff_t>(name.size())) == name) {
            archive[at + 5] = 3; // made by Unix
            const std::uint32_t mode = 0120777u << 16;
            for (int i = 0; i < 4; ++i) {
                archive[at + 38 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(mode >> (8 * i));
            }
        }
    }
    return archive;
}

TEST(BundleReaderTest, RefusesLinks) {
    const std::vector<std::uint8_t> plain = bundle({{"facts.json", bytes("/etc/passwd")}});
    EXPECT_EQ(refusal(plain), "(accepted)");
    const std::string error = refusal(withSymlink(plain, "facts.json"));
    EXPECT_NE(error.find("link"), std::string::npos) << error;
}

TEST(BundleReaderTest, RefusesSizesBeforeTheyAreExtracted) {
    qmbundle::ReadLimits limits;
    limits.maxEntryBytes = 1000;
    EXPECT_NE(refusal(bundle({{"big.bin", std::vector<std::uint8_t>(1001, 'x')}}), limits).find("big.bin"),
              std::string::npos);
    EXPECT_EQ(refusal(bundle({{"big.bin", std::vector<std::uint8_t>(1000, 'x')}}), limits), "(accepted)");

    qmbundle::ReadLimits total;
    total.maxTotalBytes = 1500;
    EXPECT_NE(refusal(bundle({{"a", std::vector<std::uint8_t>(800, 'a')}, {"b", std::vector<std::uint8_t>(800, 'b')}}),
                      total)
                  .find("unpacks to more than 1500"),
              std::string::npos);

    qmbundle::ReadLimits entries;
    entries.maxEntries = 2;
    EXPECT_NE(refusal(bundle({{"a", bytes("a")}, {"b", bytes("b")}}), entries).find("more than 2 entries"),
              std::string::npos);

    // 4 MiB of zeros pack into a few KiB: far past 100 times the archive.
    const std::string bomb = refusal(bundle({{"zeros.bin", std::vector<std::uint8_t>(4u << 20, 0)}}));
    EXPECT_NE(bomb.find("times its own size"), std::string::npos) << bomb;

    qmbundle::ReadLimits archive;
    archive.maxArchiveBytes = 100;
    EXPECT_NE(refusal(bundle({{"a", bytes("a")}}), archive).find("larger than 100 bytes"), std::string::npos);
}

TEST(BundleReaderTest, RefusesWhatIsNoBundle) {
    EXPECT_NE(refusal(bytes("PK\x03\x04 not really")).find("damaged"), std::string::npos);
    EXPECT_NE(refusal({}).find("zip"), std::string::npos);
    qmbundle::ZipWriter noManifest;
    std::string error;
    ASSERT_TRUE(noManifest.add("facts.json", bytes("{}"), error));
    EXPECT_EQ(refusal(noManifest.finish()), "the bundle has no manifest.json");
    qmbundle::ZipWriter notJson;
    ASSERT_TRUE(notJson.add("manifest.json", bytes("{"), error));
    EXPECT_EQ(refusal(notJson.finish()), "manifest.json is not JSON");
    qmbundle::ZipWriter twice;
    ASSERT_TRUE(twice.add("a", bytes("1"), error));
    ASSERT_TRUE(twice.add("a", bytes("2"), error));
    EXPECT_EQ(refusal(twice.finish()), "entry \"a\" appears twice");
    EXPECT_NE(refusal(bundle({}, [](Json& m) { m["format"] = "something-else"; })).find("not a Quillmark support bundle"),
              std::string::npos);
    EXPECT_NE(refusal(bundle({}, [](Json& m) { m.erase("entries"); })).find("lists no entries"), std::string::npos);
}

TEST(BundleReaderTest, RefusesAnUnknownFormatVersionByName) {
    const std::string error = refusal(bundle({}, [](Json& m) {
        m["formatVersion"] = 2;
        m["suiteVersion"] = "9.0.0";
    }));
    EXPECT_EQ(error, "the bundle's format version 2 is not known: this suite reads version 1 (the bundle was made by "
                     "suite version 9.0.0)");
}

TEST(BundleReaderTest, ReportsMismatchesByEntry) {
    const std::vector<std::uint8_t> archive = bundle({{"a.txt", bytes("one")}, {"b.txt", bytes("two")}}, [](Json& m) {
        m["entries"][0]["sha256"] = qmbundle::sha256Hex(bytes("ONE"));
        m["entries"][1]["size"] = 4;
        m["entries"].push_back({{"name", "c.txt"}, {"size", 1}, {"sha256", qmbundle::sha256Hex(bytes("c"))}});
    });
    qmbundle::ReadBundle read;
    std::string error;
    ASSERT_TRUE(qmbundle::readSupportBundle(archive, read, error)) << error;
    ASSERT_EQ(read.mismatches.size(), 3u);
    EXPECT_EQ(read.mismatches[0], "a.txt: its SHA-256 does not match the manifest");
    EXPECT_EQ(read.mismatches[1], "b.txt: 3 bytes, the manifest says 4");
    EXPECT_EQ(read.mismatches[2], "c.txt: listed in the manifest but not in the bundle");

    const std::vector<std::uint8_t> extra =
        bundle({{"a.txt", bytes("one")}}, [](Json& m) { m["entries"] = Json::array(); });
    ASSERT_TRUE(qmbundle::readSupportBundle(extra, read, error)) << error;
    ASSERT_EQ(read.mismatches.size(), 1u);
    EXPECT_EQ(read.mismatches[0], "a.txt: in the bundle but not listed in the manifest");
}

} // namespace
