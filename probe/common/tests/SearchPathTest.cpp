// The PATH extension that lets the bare-name load find the engine.
#include "probe/SearchPath.h"

#include <gtest/gtest.h>

#include <map>

namespace probe {
namespace {

class MapEnvironment final : public qmplatform::Environment {
public:
    std::map<std::wstring, std::wstring> vars;
    std::optional<std::wstring> get(std::wstring_view name) const override {
        const auto it = vars.find(std::wstring(name));
        return it == vars.end() ? std::nullopt : std::optional<std::wstring>(it->second);
    }
    bool set(std::wstring_view name, std::optional<std::wstring_view> value) override {
        if (value) {
            vars[std::wstring(name)] = std::wstring(*value);
        } else {
            vars.erase(std::wstring(name));
        }
        return true;
    }
    std::wstring expand(std::wstring_view text) const override { return std::wstring(text); }
};

TEST(SearchPath, PutsTheQuillmarkFolderInFront) {
    MapEnvironment env;
    env.vars = {{L"PATH", L"C:\\windows\\system32;C:\\windows"},
                {L"CommonProgramFiles", L"C:\\Program Files\\Common Files"}};
    EXPECT_TRUE(extendSearchPath(env));
    EXPECT_EQ(env.vars[L"PATH"],
              L"C:\\Program Files\\Common Files\\Quillmark;C:\\windows\\system32;C:\\windows");
}

TEST(SearchPath, StaysWhenAVariableIsMissingOrTooLong) {
    for (const auto& [name, value] : std::map<std::wstring, std::wstring>{
             {L"PATH", L""}, {L"CommonProgramFiles", std::wstring(kEnvironmentBufferChars, L'x')}}) {
        MapEnvironment env;
        env.vars = {{L"PATH", L"C:\\w"}, {L"CommonProgramFiles", L"C:\\c"}};
        if (value.empty()) {
            env.vars.erase(name);
        } else {
            env.vars[name] = value;
        }
        const auto before = env.vars;
        EXPECT_FALSE(extendSearchPath(env));
        EXPECT_EQ(env.vars, before);
    }
}

TEST(SearchPath, TheResultMustBeShorterThanTheBuffer) {
    MapEnvironment env;
    const std::wstring common = L"C:\\c";
    const std::size_t added = common.size() + std::wstring(L"\\Quillmark;").size();
    env.vars = {{L"CommonProgramFiles", common},
                {L"PATH", std::wstring(kEnvironmentBufferChars - 1 - added, L'p')}};
    EXPECT_TRUE(extendSearchPath(env));
    EXPECT_EQ(env.vars[L"PATH"].size(), kEnvironmentBufferChars - 1);

    env.vars = {{L"CommonProgramFiles", common},
                {L"PATH", std::wstring(kEnvironmentBufferChars - added, L'p')}};
    EXPECT_FALSE(extendSearchPath(env));
    EXPECT_EQ(env.vars[L"PATH"].size(), kEnvironmentBufferChars - added);
}

} // namespace
} // namespace probe
