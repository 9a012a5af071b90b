#include "EngineConfig.h"

#include "contracts/EngineRecords.h"
#include "platform/machine/StandInLocation.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <limits>

namespace qmprtens {

namespace {

using nlohmann::json;

std::u16string u16(const char16_t* text) {
    return text;
}

// UTF-8 from the settings file to the engine's 16-bit texts; false for a
// malformed sequence.
bool toUtf16(const std::string& text, std::u16string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t c = 0;
        std::size_t n = 0;
        if (b < 0x80) {
            c = b;
            n = 1;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            n = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            n = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            n = 4;
        } else {
            return false;
        }
        if (i + n > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (cont & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[n] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            return false;
        }
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += n;
    }
    return true;
}

// Reads settings members with their types checked; the first problem is kept.
class Reader {
public:
    explicit Reader(std::string& error) : error_(error) {}
    bool ok() const { return error_.empty(); }

    template <typename T>
    void integer(const json& object, const char* key, const std::string& where, T& out) {
        if (!ok() || !object.contains(key)) {
            return;
        }
        const json& v = object.at(key);
        if (!v.is_number_integer()) {
            fail(where + key + " is not an integer");
            return;
        }
        const auto value = v.get<long long>();
        if (value < static_cast<long long>(std::numeric_limits<T>::min()) ||
            (value > 0 && static_cast<unsigned long long>(value) > std::numeric_limits<T>::max())) {
            fail(where + key + " is out of range");
            return;
        }
        out = static_cast<T>(value);
    }
    void boolean(const json& object, const char* key, const std::string& where, bool& out) {
        if (!ok() || !object.contains(key)) {
            return;
        }
        if (!object.at(key).is_boolean()) {
            fail(where + key + " is not true or false");
            return;
        }
        out = object.at(key).get<bool>();
    }
    void text(const json& object, const char* key, const std::string& where, std::u16string& out) {
        if (!ok() || !object.contains(key)) {
            return;
        }
        if (!object.at(key).is_string() || !toUtf16(object.at(key).get<std::string>(), out)) {
            fail(where + key + " is not a UTF-8 text");
        }
    }
    void failures(const json& object, const std::string& where, std::map<std::string, int>& out) {
        if (!ok() || !object.contains("failures")) {
            return;
        }
        const json& f = object.at("failures");
        if (!f.is_object()) {
            fail(where + "failures is not an object");
            return;
        }
        for (const auto& [name, value] : f.items()) {
            if (!isEntryName(name)) {
                fail(where + "failures names no entry: " + name);
                return;
            }
            int code = 0;
            integer(f, name.c_str(), where + "failures.", code);
            out[name] = code;
        }
    }
    void fail(std::string message) {
        if (ok()) {
            error_ = std::move(message);
        }
    }

private:
    static bool isEntryName(const std::string& name) {
        for (const probe::EntryInfo& e : probe::kEntries) {
            if (name == e.name) {
                return true;
            }
        }
        return false;
    }
    std::string& error_;
};

constexpr const char* kQualityNames[3] = {"best", "normal", "draft"};

void readDrive(Reader& r, const json& d, const std::string& where, DriveConfig& drive) {
    if (!d.is_object()) {
        r.fail(where + " is not an object");
        return;
    }
    const std::string at = where + ".";
    r.text(d, "name", at, drive.name);
    r.text(d, "vendor", at, drive.vendor);
    r.text(d, "product", at, drive.product);
    r.text(d, "revision", at, drive.revision);
    r.integer(d, "number", at, drive.number);
    r.boolean(d, "listed", at, drive.listed);
    r.integer(d, "driveId", at, drive.driveId);
    r.integer(d, "recordVersion", at, drive.recordVersion);
    r.failures(d, at, drive.failures);
    if (r.ok() && d.contains("media")) {
        const json& m = d.at("media");
        if (m.is_null()) {
            drive.mediaPresent = false;
        } else if (!m.is_object()) {
            r.fail(at + "media is not an object or null");
        } else {
            drive.mediaPresent = true;
            r.integer(m, "imagingParameter", at + "media.", drive.imagingParameter);
            r.integer(m, "manufacturer", at + "media.", drive.manufacturer);
        }
    }
    if (r.ok() && d.contains("qualities")) {
        const json& q = d.at("qualities");
        if (!q.is_object()) {
            r.fail(at + "qualities is not an object");
            return;
        }
        for (const auto& [key, value] : q.items()) {
            int index = -1;
            for (int i = 0; i < 3; ++i) {
                if (key == kQualityNames[i]) {
                    index = i;
                }
            }
            const std::string qat = at + "qualities." + key;
            if (index < 0) {
                r.fail(qat + " is not best, normal or draft");
                return;
            }
            if (value.is_null()) {
                drive.qualities[static_cast<std::size_t>(index)].reset();
                continue;
            }
            if (!value.is_object()) {
                r.fail(qat + " is not an object or null");
                return;
            }
            QualityConfig c = drive.qualities[static_cast<std::size_t>(index)].value_or(QualityConfig{});
            r.integer(value, "linearVelocity", qat + ".", c.linearVelocity);
            r.integer(value, "trackPitch", qat + ".", c.trackPitch);
            r.integer(value, "markSpacing", qat + ".", c.markSpacing);
            r.integer(value, "writePower", qat + ".", c.writePower);
            r.integer(value, "readPower", qat + ".", c.readPower);
            r.integer(value, "focusOffset", qat + ".", c.focusOffset);
            drive.qualities[static_cast<std::size_t>(index)] = c;
        }
    }
}

// What a drive starts from before its settings apply: a disc in the tray
// and parameters for all three qualities.
DriveConfig standardDrive(int index) {
    DriveConfig d;
    d.name = index == 0 ? u16(u"E:") : u16(u"F:");
    d.vendor = u"QUILLMRK";
    d.product = u"QM LabelDrive";
    d.revision = u"1.04";
    d.number = index;
    d.driveId = static_cast<std::uint16_t>(0x1A2 + index);
    d.imagingParameter = 12;
    d.manufacturer = 3;
    d.recordVersion = 3;
    d.qualities[0] = QualityConfig{1200000, 1270, 2540, 32, 7, -5};
    d.qualities[1] = QualityConfig{2400000, 1588, 3175, 36, 7, -3};
    d.qualities[2] = QualityConfig{4800000, 2117, 4233, 40, 8, 0};
    return d;
}

} // namespace

EngineConfig defaultEngineConfig() {
    EngineConfig config;
    config.drives = {standardDrive(0), standardDrive(1)};
    return config;
}

bool parseEngineConfig(const json& section, EngineConfig& out, std::string& error) {
    error.clear();
    if (!section.is_object()) {
        error = "printEngine is not an object";
        return false;
    }
    EngineConfig config = defaultEngineConfig();
    Reader r(error);
    r.integer(section, "apiVersion", "printEngine.", config.apiVersion);
    r.failures(section, "printEngine.", config.failures);
    if (r.ok() && section.contains("drives")) {
        const json& drives = section.at("drives");
        if (!drives.is_array()) {
            r.fail("printEngine.drives is not an array");
        } else {
            config.drives.clear();
            for (std::size_t i = 0; i < drives.size() && r.ok(); ++i) {
                DriveConfig drive = standardDrive(static_cast<int>(i));
                readDrive(r, drives[i], "printEngine.drives[" + std::to_string(i) + "]", drive);
                config.drives.push_back(std::move(drive));
            }
        }
    }
    if (!r.ok()) {
        return false;
    }
    out = std::move(config);
    return true;
}

bool readMachineEngineConfig(const std::filesystem::path& root, EngineConfig& out, std::string& error) {
    std::ifstream in(root / "machine.json", std::ios::binary);
    if (!in) {
        error = "cannot read " + (root / "machine.json").string();
        return false;
    }
    const json document = json::parse(in, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        error = "machine.json is not a JSON object";
        return false;
    }
    const auto section = document.find("printEngine");
    if (section == document.end()) {
        out = defaultEngineConfig();
        return true;
    }
    return parseEngineConfig(*section, out, error);
}

std::optional<std::filesystem::path> engineMachineRoot() {
    return qmplatform::emulated::machineOfModule(
        qmplatform::emulated::moduleFileOf(reinterpret_cast<const void*>(&engineMachineRoot)));
}

} // namespace qmprtens
