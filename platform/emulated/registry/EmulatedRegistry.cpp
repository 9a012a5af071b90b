#include "emulated/registry/EmulatedRegistry.h"

#include "emulated/MachineLock.h"
#include "emulated/registry/RegName.h"
#include "platform/FileReplace.h"
#include "platform/WindowsText.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>

namespace qmplatform::emulated {

namespace {

// Windows' limits: 255 characters per key name, 16383 per value name.
constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;

constexpr std::wstring_view kClassesPath[] = {L"SOFTWARE", L"Classes"};

struct ValueNode {
    std::wstring name;
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
};

struct KeyNode {
    std::wstring name;
    std::vector<ValueNode> values; // in creation order, as Windows enumerates them
    std::map<std::u16string, std::unique_ptr<KeyNode>> subkeys; // sorted as Windows sorts them

    KeyNode* child(std::wstring_view childName) const {
        const auto it = subkeys.find(regNameKey(childName));
        return it == subkeys.end() ? nullptr : it->second.get();
    }

    KeyNode& childOrNew(std::wstring_view childName) {
        std::unique_ptr<KeyNode>& slot = subkeys[regNameKey(childName)];
        if (!slot) {
            slot = std::make_unique<KeyNode>();
            slot->name = std::wstring(childName);
        }
        return *slot;
    }

    ValueNode* value(std::wstring_view valueName) {
        for (ValueNode& v : values) {
            if (sameRegName(v.name, valueName)) {
                return &v;
            }
        }
        return nullptr;
    }

    // A value set again keeps its place and the case of its first name.
    void setValue(std::wstring_view valueName, std::uint32_t type, std::span<const std::uint8_t> data) {
        ValueNode* v = value(valueName);
        if (v == nullptr) {
            values.push_back(ValueNode{std::wstring(valueName), type, {}});
            v = &values.back();
        }
        v->type = type;
        v->data.assign(data.begin(), data.end());
    }

    bool eraseValue(std::wstring_view valueName) {
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (sameRegName(it->name, valueName)) {
                values.erase(it);
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<KeyNode> clone() const {
        auto copy = std::make_unique<KeyNode>();
        copy->name = name;
        copy->values = values;
        for (const auto& [k, sub] : subkeys) {
            copy->subkeys.emplace(k, sub->clone());
        }
        return copy;
    }
};

using KeyPath = std::vector<std::wstring>;

// Path rules of RegOpenKeyEx: no leading backslash; empty components (a
// trailing backslash, doubled ones) are skipped.
long splitKeyPath(std::wstring_view path, KeyPath& parts) {
    if (!path.empty() && path.front() == L'\\') {
        return kErrorBadPathname;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring_view::npos) {
            end = path.size();
        }
        const std::wstring_view part = path.substr(start, end - start);
        if (!part.empty()) {
            if (part.size() > kMaxKeyName) {
                return kErrorInvalidParameter;
            }
            // A line break could not be written into the hive's text file.
            if (part.find_first_of(L"\r\n") != std::wstring_view::npos) {
                return kErrorInvalidParameter;
            }
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return kErrorSuccess;
}

KeyNode* findKey(KeyNode& root, const KeyPath& path) {
    KeyNode* node = &root;
    for (const std::wstring& part : path) {
        node = node->child(part);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

KeyNode& makeKey(KeyNode& root, const KeyPath& path) {
    KeyNode* node = &root;
    for (const std::wstring& part : path) {
        node = &node->childOrNew(part);
    }
    return *node;
}

bool removeKeyTree(KeyNode& root, const KeyPath& path) {
    if (path.empty()) {
        return false;
    }
    KeyPath parentPath(path.begin(), path.end() - 1);
    KeyNode* parent = findKey(root, parentPath);
    return parent != nullptr && parent->subkeys.erase(regNameKey(path.back())) > 0;
}

struct Hive {
    RegRoot root = RegRoot::CurrentUser; // LocalMachine or CurrentUser
    std::filesystem::path file;
    std::unique_ptr<KeyNode> tree = std::make_unique<KeyNode>();
    std::optional<std::vector<std::uint8_t>> bytes; // the file as last read or written; none: no file
    bool loaded = false;
    long status = kErrorSuccess; // kErrorRegistryCorrupt while the file does not parse
    std::string error;           // why, while it does not
};

void ensureClasses(Hive& hive) {
    if (hive.root == RegRoot::LocalMachine) {
        makeKey(*hive.tree, KeyPath(std::begin(kClassesPath), std::end(kClassesPath)));
    }
}

// Which hive a root lives in, and where in it.
struct Location {
    Hive* hive;
    KeyPath path;
};

bool needsAdministrator(RegRoot root) {
    return root != RegRoot::CurrentUser;
}

void collect(const KeyNode& node, const std::wstring& fullPath, bool includeEmpty, RegFileContents& out) {
    if (includeEmpty || !node.values.empty()) {
        RegFileKey key;
        key.path = fullPath;
        for (const ValueNode& v : node.values) {
            key.values.push_back(RegFileValue{v.name, false, v.type, v.data});
        }
        out.keys.push_back(std::move(key));
    }
    for (const auto& [k, sub] : node.subkeys) {
        collect(*sub, fullPath + L"\\" + sub->name, true, out);
    }
}

std::vector<std::uint8_t> serialise(const Hive& hive) {
    RegFileContents contents;
    collect(*hive.tree, rootName(hive.root), false, contents);
    return writeRegFile(contents);
}

// Applies one .reg key entry to a hive's tree; false when a name is not
// acceptable.
long applyEntry(KeyNode& tree, const KeyPath& path, const RegFileKey& entry) {
    if (entry.remove) {
        removeKeyTree(tree, path); // deleting what is not there is no error, as in regedit
        return kErrorSuccess;
    }
    KeyNode& node = makeKey(tree, path);
    for (const RegFileValue& v : entry.values) {
        if (v.name.size() > kMaxValueName) {
            return kErrorInvalidParameter;
        }
        if (v.remove) {
            node.eraseValue(v.name);
        } else {
            node.setValue(v.name, v.type, v.data);
        }
    }
    return kErrorSuccess;
}

} // namespace

struct EmulatedRegistry::State {
    explicit State(Options o) : options(std::move(o)), lock(options.lockFile) {
        machine.root = RegRoot::LocalMachine;
        machine.file = hiveFile(options.hiveFolder, RegRoot::LocalMachine);
        user.root = RegRoot::CurrentUser;
        user.file = hiveFile(options.hiveFolder, RegRoot::CurrentUser);
        ensureClasses(machine);
    }

    Options options;
    std::mutex mutex; // the hives of this process
    MachineLock lock;
    Hive machine;
    Hive user;

    Hive& hiveOf(RegRoot root) { return root == RegRoot::CurrentUser ? user : machine; }

    long locate(RegRoot root, std::wstring_view path, Location& out) {
        KeyPath parts;
        if (root == RegRoot::ClassesRoot) {
            parts.assign(std::begin(kClassesPath), std::end(kClassesPath));
        }
        if (const long rc = splitKeyPath(path, parts); rc != kErrorSuccess) {
            return rc;
        }
        out = Location{&hiveOf(root), std::move(parts)};
        return kErrorSuccess;
    }

    // Brings a hive up to its file. Called with `mutex` held and, where
    // possible, the machine lock: on Windows a file open for reading cannot
    // be replaced, so readers must not overlap a writer.
    long refresh(Hive& hive) {
        std::optional<std::vector<std::uint8_t>> bytes;
        {
            std::ifstream in(hive.file, std::ios::binary);
            if (in) {
                bytes.emplace(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                if (in.bad()) {
                    return kErrorRegistryIoFailed;
                }
            }
        }
        if (hive.loaded && bytes == hive.bytes) {
            return hive.status;
        }
        auto tree = std::make_unique<KeyNode>();
        long status = kErrorSuccess;
        std::string error;
        if (bytes) {
            RegFileContents contents;
            if (!parseRegFile(*bytes, contents, error)) {
                status = kErrorRegistryCorrupt;
            }
            for (const RegFileKey& entry : contents.keys) {
                if (status != kErrorSuccess) {
                    break;
                }
                RegRoot root;
                std::wstring below;
                Location where{};
                if (!splitRootPath(entry.path, root, below) || &hiveOf(root) != &hive) {
                    error = "key [" + toUtf8(entry.path) + "] does not belong in " + hive.file.filename().string();
                    status = kErrorRegistryCorrupt;
                } else if (locate(root, below, where) != kErrorSuccess ||
                           applyEntry(*tree, where.path, entry) != kErrorSuccess) {
                    error = "key [" + toUtf8(entry.path) + "] has a name Windows does not take";
                    status = kErrorRegistryCorrupt;
                }
            }
        }
        hive.tree = status == kErrorSuccess ? std::move(tree) : std::make_unique<KeyNode>();
        hive.bytes = std::move(bytes);
        hive.status = status;
        hive.error = std::move(error);
        hive.loaded = true;
        ensureClasses(hive);
        return status;
    }

    // Runs `read` on the up-to-date tree of the hive.
    long read(Hive& hive, const std::function<long(KeyNode&)>& use) {
        std::lock_guard<std::mutex> guard(mutex);
        std::error_code ec;
        const bool locked = lock.lock(ec); // a read-only machine has no writers to wait for
        const long rc = refresh(hive);
        if (locked) {
            lock.unlock();
        }
        return rc != kErrorSuccess ? rc : use(*hive.tree);
    }

    // Runs `change` on the up-to-date trees and writes back every hive it
    // changed; on any failure the hives stay as they were. `change` returns
    // an error, or success with `changed` telling whether to write.
    long write(std::initializer_list<Hive*> hives, const std::function<long(bool& changed)>& change) {
        std::lock_guard<std::mutex> guard(mutex);
        std::error_code ec;
        if (!lock.lock(ec)) {
            return ec == std::errc::no_such_file_or_directory ? kErrorPathNotFound : kErrorAccessDenied;
        }
        std::lock_guard<MachineLock> machineGuard(lock, std::adopt_lock);
        std::vector<std::unique_ptr<KeyNode>> backups;
        for (Hive* h : hives) {
            if (const long rc = refresh(*h); rc != kErrorSuccess) {
                return rc;
            }
            backups.push_back(h->tree->clone());
        }
        auto restore = [&] {
            std::size_t i = 0;
            for (Hive* h : hives) {
                h->tree = std::move(backups[i++]);
            }
        };
        bool changed = false;
        if (const long rc = change(changed); rc != kErrorSuccess || !changed) {
            restore();
            return rc;
        }
        std::error_code dirError;
        std::filesystem::create_directories(options.hiveFolder, dirError);
        for (Hive* h : hives) {
            ensureClasses(*h);
            std::vector<std::uint8_t> bytes = serialise(*h);
            if (h->bytes && bytes == *h->bytes) {
                continue;
            }
            std::string error;
            if (!writeFileReplacing(h->file, bytes, error)) {
                // A hive written before this one keeps its change on disk:
                // the next call reads every hive again rather than trust
                // what this process remembers.
                restore();
                for (Hive* stale : hives) {
                    stale->loaded = false;
                }
                return kErrorRegistryIoFailed;
            }
            h->bytes = std::move(bytes);
        }
        return kErrorSuccess;
    }
};

namespace {

class EmulatedKey final : public RegistryKey {
public:
    EmulatedKey(std::shared_ptr<EmulatedRegistry::State> state, Hive& hive, KeyPath path, RegAccess access)
        : state_(std::move(state)), hive_(hive), path_(std::move(path)), access_(access) {}

    long queryValue(std::wstring_view name, RegValue& out) const override {
        return onKey([&](KeyNode& key) {
            const ValueNode* v = key.value(name);
            if (v == nullptr) {
                return kErrorFileNotFound;
            }
            out.type = v->type;
            out.data = v->data;
            return kErrorSuccess;
        });
    }

    long setValue(std::wstring_view name, std::uint32_t type, std::span<const std::uint8_t> data) override {
        if (access_ != RegAccess::AllAccess) {
            return kErrorAccessDenied;
        }
        if (name.size() > kMaxValueName) {
            return kErrorInvalidParameter;
        }
        return state_->write({&hive_}, [&](bool& changed) {
            KeyNode* key = findKey(*hive_.tree, path_);
            if (key == nullptr) {
                return kErrorKeyDeleted;
            }
            key->setValue(name, type, data);
            changed = true;
            return kErrorSuccess;
        });
    }

    long deleteValue(std::wstring_view name) override {
        if (access_ != RegAccess::AllAccess) {
            return kErrorAccessDenied;
        }
        return state_->write({&hive_}, [&](bool& changed) {
            KeyNode* key = findKey(*hive_.tree, path_);
            if (key == nullptr) {
                return kErrorKeyDeleted;
            }
            changed = key->eraseValue(name);
            return changed ? kErrorSuccess : kErrorFileNotFound;
        });
    }

    long queryInfo(std::uint32_t& subKeyCount, std::uint32_t& valueCount) const override {
        return onKey([&](KeyNode& key) {
            subKeyCount = static_cast<std::uint32_t>(key.subkeys.size());
            valueCount = static_cast<std::uint32_t>(key.values.size());
            return kErrorSuccess;
        });
    }

    long enumValue(std::uint32_t index, std::wstring& name, RegValue& value) const override {
        return onKey([&](KeyNode& key) {
            if (index >= key.values.size()) {
                return kErrorNoMoreItems;
            }
            const ValueNode& v = key.values[index];
            name = v.name;
            value.type = v.type;
            value.data = v.data;
            return kErrorSuccess;
        });
    }

    long enumKey(std::uint32_t index, std::wstring& name) const override {
        return onKey([&](KeyNode& key) {
            if (index >= key.subkeys.size()) {
                return kErrorNoMoreItems;
            }
            name = std::next(key.subkeys.begin(), index)->second->name;
            return kErrorSuccess;
        });
    }

private:
    // A key deleted since it was opened answers every call with
    // kErrorKeyDeleted, as an open handle of a deleted key does on Windows.
    long onKey(const std::function<long(KeyNode&)>& use) const {
        return state_->read(hive_, [&](KeyNode& tree) {
            KeyNode* key = findKey(tree, path_);
            return key == nullptr ? kErrorKeyDeleted : use(*key);
        });
    }

    std::shared_ptr<EmulatedRegistry::State> state_;
    Hive& hive_;
    KeyPath path_;
    RegAccess access_;
};

} // namespace

EmulatedRegistry::EmulatedRegistry(Options options) : state_(std::make_shared<State>(std::move(options))) {}

EmulatedRegistry::~EmulatedRegistry() = default;

std::filesystem::path EmulatedRegistry::hiveFile(const std::filesystem::path& hiveFolder, RegRoot root) {
    return hiveFolder / (root == RegRoot::CurrentUser ? "HKCU.reg" : "HKLM.reg");
}

bool EmulatedRegistry::checkHive(RegRoot root, std::string& error) {
    Hive& hive = state_->hiveOf(root);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(hive.file, ec)) {
        error = hive.file.string() + " is missing";
        return false;
    }
    long status = kErrorSuccess;
    {
        std::lock_guard<std::mutex> guard(state_->mutex);
        status = state_->refresh(hive);
        if (status == kErrorRegistryCorrupt) {
            error = hive.file.string() + ": " + hive.error;
        }
    }
    if (status == kErrorSuccess && !hive.bytes) {
        error = "cannot read " + hive.file.string();
        return false;
    }
    if (status != kErrorSuccess && status != kErrorRegistryCorrupt) {
        error = "cannot read " + hive.file.string();
    }
    return status == kErrorSuccess;
}

long EmulatedRegistry::openKey(RegRoot root, std::wstring_view path, RegAccess access,
                               std::unique_ptr<RegistryKey>& out) {
    Location where{};
    if (const long rc = state_->locate(root, path, where); rc != kErrorSuccess) {
        return rc;
    }
    const long rc = state_->read(*where.hive, [&](KeyNode& tree) {
        if (findKey(tree, where.path) == nullptr) {
            return kErrorFileNotFound;
        }
        if (access == RegAccess::AllAccess && needsAdministrator(root) && !state_->options.administrator) {
            return kErrorAccessDenied;
        }
        return kErrorSuccess;
    });
    if (rc == kErrorSuccess) {
        out = std::make_unique<EmulatedKey>(state_, *where.hive, std::move(where.path), access);
    }
    return rc;
}

long EmulatedRegistry::createKey(RegRoot root, std::wstring_view path, RegAccess access,
                                 std::unique_ptr<RegistryKey>& out) {
    Location where{};
    if (const long rc = state_->locate(root, path, where); rc != kErrorSuccess) {
        return rc;
    }
    const bool standardUser = needsAdministrator(root) && !state_->options.administrator;
    long rc = kErrorSuccess;
    if (standardUser) {
        // Opening what exists for reading is all a standard user may do here.
        rc = state_->read(*where.hive, [&](KeyNode& tree) {
            return findKey(tree, where.path) != nullptr && access == RegAccess::Read ? kErrorSuccess
                                                                                     : kErrorAccessDenied;
        });
    } else {
        rc = state_->write({where.hive}, [&](bool& changed) {
            changed = findKey(*where.hive->tree, where.path) == nullptr;
            makeKey(*where.hive->tree, where.path);
            return kErrorSuccess;
        });
    }
    if (rc == kErrorSuccess) {
        out = std::make_unique<EmulatedKey>(state_, *where.hive, std::move(where.path), access);
    }
    return rc;
}

long EmulatedRegistry::deleteKey(RegRoot root, std::wstring_view path) {
    Location where{};
    if (const long rc = state_->locate(root, path, where); rc != kErrorSuccess) {
        return rc;
    }
    const std::size_t rootDepth = root == RegRoot::ClassesRoot ? std::size(kClassesPath) : 0;
    const bool standardUser = needsAdministrator(root) && !state_->options.administrator;
    return state_->write({where.hive}, [&](bool& changed) {
        KeyNode* key = findKey(*where.hive->tree, where.path);
        if (key == nullptr) {
            return kErrorFileNotFound;
        }
        // The root cannot go, nor a key that still has subkeys (RegDeleteKey).
        if (standardUser || where.path.size() <= rootDepth || !key->subkeys.empty()) {
            return kErrorAccessDenied;
        }
        changed = removeKeyTree(*where.hive->tree, where.path);
        return kErrorSuccess;
    });
}

bool EmulatedRegistry::importRegFile(const std::filesystem::path& file, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot open " + file.string();
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    RegFileContents contents;
    if (!parseRegFile(bytes, contents, error)) {
        error = file.string() + ": " + error;
        return false;
    }
    return importRegFile(contents, error);
}

bool EmulatedRegistry::importRegFile(const RegFileContents& contents, std::string& error) {
    State& s = *state_;
    std::string why;
    const long rc = s.write({&s.machine, &s.user}, [&](bool& changed) {
        for (const RegFileKey& entry : contents.keys) {
            RegRoot root;
            std::wstring below;
            Location where{};
            if (!splitRootPath(entry.path, root, below)) {
                why = "unknown root key";
                return kErrorInvalidParameter;
            }
            if (needsAdministrator(root) && !s.options.administrator) {
                why = "only an administrator may change it";
                return kErrorAccessDenied;
            }
            if (const long bad = s.locate(root, below, where); bad != kErrorSuccess) {
                why = "not a valid key path";
                return bad;
            }
            const std::size_t rootDepth = root == RegRoot::ClassesRoot ? std::size(kClassesPath) : 0;
            if (entry.remove && where.path.size() <= rootDepth) {
                why = "a root key cannot be deleted";
                return kErrorAccessDenied;
            }
            if (const long bad = applyEntry(*where.hive->tree, where.path, entry); bad != kErrorSuccess) {
                why = "a value name is longer than 16383 characters";
                return bad;
            }
            changed = true;
        }
        return kErrorSuccess;
    });
    if (rc != kErrorSuccess) {
        error = why.empty() ? "the registry could not be written (error " + std::to_string(rc) + ")"
                            : why + " (error " + std::to_string(rc) + ")";
        return false;
    }
    return true;
}

bool EmulatedRegistry::exportKey(RegRoot root, std::wstring_view path, RegFileContents& out,
                                 std::string& error) {
    Location where{};
    if (state_->locate(root, path, where) != kErrorSuccess) {
        error = "not a valid key path";
        return false;
    }
    const std::size_t rootDepth = root == RegRoot::ClassesRoot ? std::size(kClassesPath) : 0;
    RegFileContents contents;
    const long rc = state_->read(*where.hive, [&](KeyNode& tree) {
        // The names as the registry keeps them, not as the caller spelt them.
        std::wstring full = rootName(root);
        KeyNode* node = &tree;
        for (std::size_t i = 0; i < where.path.size(); ++i) {
            node = node->child(where.path[i]);
            if (node == nullptr) {
                return kErrorFileNotFound;
            }
            if (i >= rootDepth) {
                full += L"\\" + node->name;
            }
        }
        collect(*node, full, true, contents);
        return kErrorSuccess;
    });
    if (rc != kErrorSuccess) {
        error = rc == kErrorFileNotFound
                    ? "no such key"
                    : "the registry could not be read (error " + std::to_string(rc) + ")";
        return false;
    }
    out = std::move(contents);
    return true;
}

bool EmulatedRegistry::exportRegFile(RegRoot root, std::wstring_view path, const std::filesystem::path& file,
                                     std::string& error) {
    RegFileContents contents;
    if (!exportKey(root, path, contents, error)) {
        return false;
    }
    return writeFileReplacing(file, writeRegFile(contents), error);
}

} // namespace qmplatform::emulated
