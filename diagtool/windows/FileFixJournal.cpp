#include "FileFixJournal.h"

#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <limits>
#include <utility>

namespace {

constexpr int kFormatVersion = 1;
// Registry values are at most about a megabyte in practice; a journal far
// beyond that is not one this program wrote.
constexpr long kMaxJournalBytes = 64L * 1024 * 1024;

constexpr char kHexDigits[] = "0123456789abcdef";

constexpr const char* kKindField = "kind";
constexpr std::string_view kServiceStartKind = "service-start";

std::string toHex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0F];
    }
    return text;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool fromHex(const std::string& text, std::vector<std::uint8_t>& out) {
    if (text.size() % 2 != 0) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexValue(text[i]);
        const int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    out = std::move(bytes);
    return true;
}

bool readString(const nlohmann::json& object, const char* name, std::wstring& out) {
    const auto it = object.find(name);
    if (it == object.end() || !it->is_string()) {
        return false;
    }
    out = qmplatform::fromUtf8(it->get<std::string>());
    return true;
}

// Records written before kinds existed have no "kind" and are registry
// values; that stays the form of every registry record.
bool readRegistryValue(const nlohmann::json& fix, FixRecord& record) {
    if (!readString(fix, "root", record.root) || !readString(fix, "key", record.keyPath) ||
        !readString(fix, "value", record.valueName)) {
        return false;
    }
    const auto existed = fix.find("existed");
    const auto type = fix.find("type");
    const auto data = fix.find("data");
    if (existed == fix.end() || !existed->is_boolean() || type == fix.end() || !type->is_number_unsigned() ||
        type->get<std::uint64_t>() > std::numeric_limits<std::uint32_t>::max() || data == fix.end() ||
        !data->is_string() || !fromHex(data->get<std::string>(), record.data)) {
        return false;
    }
    record.existed = existed->get<bool>();
    record.type = static_cast<std::uint32_t>(type->get<std::uint64_t>());
    return true;
}

// A kind this program does not know is a change it could not undo: the
// journal is not one it can keep appending to.
bool readServiceStart(const nlohmann::json& fix, FixRecord& record) {
    const auto kind = fix.find(kKindField);
    if (!kind->is_string() || kind->get<std::string>() != kServiceStartKind ||
        !readString(fix, "service", record.service) || record.service.empty()) {
        return false;
    }
    record.kind = FixKind::ServiceStart;
    return true;
}

} // namespace

FileFixJournal::FileFixJournal(qmplatform::System& system) : system_(system) {
    std::wstring folder;
    if (system_.shellFolders().folderPath(qmplatform::kCsidlLocalAppData, folder) == qmplatform::kSOk &&
        qmplatform::pathAppend(folder, kRelativePath)) {
        path_ = folder;
    }
}

bool FileFixJournal::parse(std::string_view text, std::vector<FixRecord>& out) {
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        return false;
    }
    const auto version = document.find("version");
    const auto fixes = document.find("fixes");
    if (version == document.end() || !version->is_number_integer() || version->get<int>() != kFormatVersion ||
        fixes == document.end() || !fixes->is_array()) {
        return false;
    }
    std::vector<FixRecord> records;
    for (const nlohmann::json& fix : *fixes) {
        FixRecord record;
        if (!fix.is_object() ||
            !(fix.contains(kKindField) ? readServiceStart(fix, record) : readRegistryValue(fix, record))) {
            return false;
        }
        const auto run = fix.find("run");
        if (run != fix.end() && !readString(fix, "run", record.run)) {
            return false;
        }
        records.push_back(std::move(record));
    }
    out = std::move(records);
    return true;
}

std::string FileFixJournal::serialise(const std::vector<FixRecord>& records) {
    nlohmann::json fixes = nlohmann::json::array();
    for (const FixRecord& record : records) {
        nlohmann::json fix;
        if (record.kind == FixKind::ServiceStart) {
            fix = {{kKindField, kServiceStartKind}, {"service", qmplatform::toUtf8(record.service)}};
        } else {
            fix = {{"root", qmplatform::toUtf8(record.root)},
                   {"key", qmplatform::toUtf8(record.keyPath)},
                   {"value", qmplatform::toUtf8(record.valueName)},
                   {"existed", record.existed},
                   {"type", record.type},
                   {"data", toHex(record.data)}};
        }
        if (!record.run.empty()) {
            fix["run"] = qmplatform::toUtf8(record.run);
        }
        fixes.push_back(std::move(fix));
    }
    return nlohmann::json{{"version", kFormatVersion}, {"fixes", fixes}}.dump(2) + "\n";
}

FileFixJournal::Load FileFixJournal::load(std::vector<FixRecord>& out, std::string* text) const {
    if (path_.empty()) {
        return Load::NoFolder;
    }
    std::FILE* file = system_.files().openForReading(path_);
    if (file == nullptr) {
        // No journal yet, nothing has been fixed; but one that is there and
        // refuses to open is not an empty one.
        std::wstring existing;
        if (system_.files().canonicalPath(path_, existing)) {
            return Load::Unreadable;
        }
        out.clear();
        return Load::Loaded;
    }
    std::string bytes;
    char buffer[4096];
    bool ok = true;
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.append(buffer, n);
        if (bytes.size() > static_cast<std::size_t>(kMaxJournalBytes)) {
            ok = false;
            break;
        }
    }
    ok = ok && std::ferror(file) == 0;
    std::fclose(file);
    if (!ok) {
        return Load::Unreadable;
    }
    if (!parse(bytes, out)) {
        if (text != nullptr) {
            *text = std::move(bytes);
        }
        return Load::NotAJournal;
    }
    return Load::Loaded;
}

bool FileFixJournal::loaded(Load result) const {
    switch (result) {
    case Load::Loaded:
        problem_.clear();
        return true;
    case Load::NoFolder:
        problem_ = L"the local application data folder is unknown, so there is no fix journal";
        return false;
    case Load::Unreadable:
        problem_ = L"the fix journal " + path_ + L" cannot be read";
        return false;
    case Load::NotAJournal:
        problem_ = L"the fix journal " + path_ + L" cannot be read: it is not a fix journal this program knows";
        return false;
    }
    return false;
}

std::wstring FileFixJournal::asidePath(std::wstring_view journalPath, std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss time{floor<seconds>(when - day)};
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02u-%02d%02d%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    std::wstring path(journalPath);
    const std::size_t dot = path.rfind(L'.');
    const std::size_t slash = path.find_last_of(L"\\/");
    const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    const std::wstring extension = hasExtension ? path.substr(dot) : std::wstring();
    if (hasExtension) {
        path.erase(dot);
    }
    return path + L".unreadable-" + qmplatform::fromUtf8(stamp) + extension;
}

bool FileFixJournal::keepAside(const std::string& text) {
    const std::wstring base = asidePath(path_, std::chrono::system_clock::now());
    // A second bad journal within the same second gets a number of its own.
    std::wstring aside = base;
    std::wstring existing;
    for (int n = 2; system_.files().canonicalPath(aside, existing); ++n) {
        const std::size_t dot = base.rfind(L'.');
        aside = base.substr(0, dot) + L"-" + std::to_wstring(n) + base.substr(dot);
    }
    if (!system_.files().replaceFile(
            aside, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))) {
        return false;
    }
    notice_ = L"The fix journal " + path_ + L" could not be read. It was kept as " + aside +
              L", and a new journal was started.";
    return true;
}

bool FileFixJournal::store(const std::vector<FixRecord>& records) {
    const std::string text = serialise(records);
    return !path_.empty() &&
           system_.files().replaceFile(
               path_, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool FileFixJournal::append(const FixRecord& record) {
    std::vector<FixRecord> records;
    std::string text;
    const Load result = load(records, &text);
    if (result == Load::NotAJournal) {
        // Its bytes are kept before anything is written over them.
        if (!keepAside(text)) {
            problem_ = L"the fix journal " + path_ +
                       L" cannot be read, and no copy of it could be kept to start a new one";
            return false;
        }
        records.clear();
    } else if (!loaded(result)) {
        return false;
    }
    records.push_back(record);
    if (!store(records)) {
        problem_ = L"the fix journal " + path_ + L" cannot be written";
        return false;
    }
    problem_.clear();
    return true;
}

bool FileFixJournal::last(FixRecord& out) const {
    std::vector<FixRecord> records;
    if (!loaded(load(records)) || records.empty()) {
        return false;
    }
    out = records.back();
    return true;
}

bool FileFixJournal::dropLast() {
    std::vector<FixRecord> records;
    if (!loaded(load(records)) || records.empty()) {
        return false;
    }
    records.pop_back();
    if (!store(records)) {
        problem_ = L"the fix journal " + path_ + L" cannot be written";
        return false;
    }
    return true;
}

std::wstring FileFixJournal::takeNotice() {
    return std::exchange(notice_, {});
}
