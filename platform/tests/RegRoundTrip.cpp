// Native helper of the Windows lane's .reg round trip with Wine. The sample
// holds only what Wine's regedit exports without loss (it writes a REG_SZ
// without terminator or with one inside as a plain text, and a REG_DWORD of
// another size than 4 as a dword); the unit tests cover those forms.
//
//   reg_roundtrip sample FILE       writes the sample key, exported by the
//                                   emulated registry
//   reg_roundtrip dump FILE         imports FILE into an empty emulated
//                                   registry and lists the sample key from it,
//                                   one value a line, byte for byte
//   reg_roundtrip query-form FILE   the same values as "reg query /s" shows
//                                   them (values whose names or texts leave
//                                   ASCII are left out: reg prints those in
//                                   the console's code page)
#include "platform/machine/EmulatedRegistry.h"
#include "platform/RegKey.h"
#include "platform/RegistryData.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

namespace fs = std::filesystem;
using namespace qmplatform;
using emulated::EmulatedRegistry;
using emulated::RegFileContents;

namespace {

constexpr wchar_t kSampleKey[] = L"Software\\QuillmarkRoundTrip";

// An empty machine folder of its own, gone when the helper ends.
struct ScratchMachine {
    ScratchMachine(const fs::path& beside, const char* name) : dir(beside.parent_path() / name) {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~ScratchMachine() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    EmulatedRegistry::Options options() const { return {dir / "registry", dir / "machine.lock", true}; }
    fs::path dir;
};

bool fill(Registry& registry) {
    RegKey key;
    auto ok = [](long rc) { return rc == kErrorSuccess; };
    if (!ok(key.create(registry, RegRoot::CurrentUser, kSampleKey, RegAccess::AllAccess))) {
        return false;
    }
    std::vector<std::uint8_t> blob(200);
    for (std::size_t i = 0; i < blob.size(); ++i) {
        blob[i] = static_cast<std::uint8_t>(i * 7);
    }
    const std::vector<std::wstring> multi = {L"one", L"two words", L"\u00c4"};
    bool all = ok(key.writeString(L"", L"Quillmark round trip")) &&
               ok(key.writeString(L"LogLevel", L"Debug")) &&
               ok(key.writeString(L"Quotes", L"say \"hi\" \\ C:\\Program Files\\")) &&
               ok(key.writeString(L"Empty", L"")) &&
               ok(key.writeString(L"Gr\u00f6\u00dfe \u20ac", L"Gr\u00fc\u00dfe \u20ac \u4e2d \U0001F600")) &&
               ok(key.writeString(L"Lines", L"a\r\nb")) && ok(key.writeDword(L"APILogging", 1)) &&
               ok(key.writeDword(L"Max", 0xFFFFFFFF)) &&
               ok(key.get()->setValue(L"Big", kRegQword, regQwordData(0x0123456789ABCDEFull))) &&
               ok(key.writeBinary(L"Blob", blob)) && ok(key.writeBinary(L"EmptyBlob", {})) &&
               ok(key.get()->setValue(L"None", kRegNone, std::vector<std::uint8_t>{1, 2})) &&
               ok(key.writeString(L"EventMessageFile", L"%CommonProgramFiles%\\Quillmark\\QMMsg.dll",
                                  kRegExpandSz)) &&
               ok(key.writeMultiString(L"Multi", multi)) &&
               ok(key.writeMultiString(L"Paths", std::vector<std::wstring>{L"C:\\a", L"b c"})) &&
               ok(key.get()->setValue(L"OddType", 0x1234, std::vector<std::uint8_t>{1, 2, 3}));
    RegKey sub;
    all = all &&
          ok(sub.create(registry, RegRoot::CurrentUser, std::wstring(kSampleKey) + L"\\Sub A\\Deep",
                        RegAccess::AllAccess)) &&
          ok(sub.create(registry, RegRoot::CurrentUser, std::wstring(kSampleKey) + L"\\Sub A",
                        RegAccess::AllAccess)) &&
          ok(sub.writeDword(L"Inner", 42)) &&
          ok(sub.create(registry, RegRoot::CurrentUser, std::wstring(kSampleKey) + L"\\sub b",
                        RegAccess::AllAccess)) &&
          ok(sub.writeString(L"", L"default of sub b"));
    return all;
}

bool load(const fs::path& file, RegFileContents& out) {
    const ScratchMachine machine(fs::absolute(file), "reg_roundtrip_load");
    EmulatedRegistry registry(machine.options());
    std::string error;
    if (!registry.importRegFile(file, error) ||
        !registry.exportKey(RegRoot::CurrentUser, kSampleKey, out, error)) {
        std::cerr << "reg_roundtrip: " << error << "\n";
        return false;
    }
    // Wine lists values by name, the emulated registry in creation order.
    for (auto& key : out.keys) {
        std::sort(key.values.begin(), key.values.end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
    }
    return true;
}

std::string utf8(std::wstring_view text) {
    std::string out;
    for (const wchar_t wc : text) {
        const auto c = static_cast<std::uint32_t>(wc);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string hex(const std::vector<std::uint8_t>& data, bool upper) {
    std::string out;
    char buf[4];
    for (const std::uint8_t b : data) {
        std::snprintf(buf, sizeof buf, upper ? "%02X" : "%02x", b);
        out += buf;
    }
    return out;
}

bool ascii(std::wstring_view text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0x20 && c < 0x7F; });
}

void dump(const RegFileContents& contents) {
    for (const auto& key : contents.keys) {
        std::cout << utf8(key.path) << "\n";
        for (const auto& v : key.values) {
            std::cout << "  " << utf8(v.name) << "\t" << v.type << "\t" << hex(v.data, false) << "\n";
        }
    }
}

// One line per value: key, name, type name and data as "reg query" writes
// them, separated by tabs.
void queryForm(const RegFileContents& contents) {
    // Wine 8's reg shows REG_QWORD data and types of its own as "(null)":
    // those values are left to the /E check too.
    static const std::pair<std::uint32_t, const char*> kTypeNames[] = {
        {kRegNone, "REG_NONE"},     {kRegSz, "REG_SZ"},       {kRegExpandSz, "REG_EXPAND_SZ"},
        {kRegBinary, "REG_BINARY"}, {kRegDword, "REG_DWORD"}, {kRegMultiSz, "REG_MULTI_SZ"},
    };
    for (const auto& key : contents.keys) {
        for (const auto& v : key.values) {
            const char* typeName = nullptr;
            for (const auto& [type, name] : kTypeNames) {
                if (type == v.type) {
                    typeName = name;
                }
            }
            std::wstring text;
            std::string shown;
            if (v.type == kRegSz || v.type == kRegExpandSz) {
                text = regSzText(v.data);
                shown = utf8(text);
            } else if (v.type == kRegMultiSz) {
                for (const std::wstring& t : regMultiSzTexts(v.data)) {
                    text += (text.empty() ? L"" : L"\\0") + t;
                }
                shown = utf8(text);
            } else if (v.type == kRegDword && v.data.size() == 4) {
                unsigned long long n = 0;
                for (std::size_t i = v.data.size(); i-- > 0;) {
                    n = (n << 8) | v.data[i];
                }
                char buf[32];
                std::snprintf(buf, sizeof buf, "0x%llx", n);
                shown = buf;
            } else {
                shown = hex(v.data, true);
            }
            if (typeName == nullptr || !ascii(v.name) || !ascii(text)) {
                continue; // shown by reg in forms of its own; the /E check covers it
            }
            std::cout << utf8(key.path) << "\t" << (v.name.empty() ? "(Default)" : utf8(v.name)) << "\t"
                      << typeName << "\t" << shown << "\n";
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: reg_roundtrip sample|dump|query-form FILE\n";
        return 2;
    }
    const std::string command = argv[1];
    const fs::path file = argv[2];
    if (command == "sample") {
        const ScratchMachine machine(fs::absolute(file), "reg_roundtrip_sample");
        EmulatedRegistry registry(machine.options());
        std::string error;
        if (!fill(registry) || !registry.exportRegFile(RegRoot::CurrentUser, kSampleKey, file, error)) {
            std::cerr << "reg_roundtrip: cannot write the sample " << error << "\n";
            return 1;
        }
        return 0;
    }
    RegFileContents contents;
    if (!load(file, contents)) {
        return 1;
    }
    if (command == "dump") {
        dump(contents);
    } else if (command == "query-form") {
        queryForm(contents);
    } else {
        std::cerr << "reg_roundtrip: unknown command " << command << "\n";
        return 2;
    }
    return 0;
}
