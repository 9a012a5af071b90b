// A prompter that answers from a script and records what the editors showed.
#pragma once

#include "resedit/Prompter.h"

#include "drf/DrfBuilder.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace resedit::test {

class TestPrompter final : public Prompter {
public:
    void message(std::string_view text) override { messages.emplace_back(text); }
    SaveChoice askSaveChanges(std::string_view fileName) override {
        questions.emplace_back(fileName);
        if (saveChoices.empty()) {
            ADD_FAILURE() << "unexpected question about unsaved changes";
            return SaveChoice::Cancel;
        }
        const SaveChoice choice = saveChoices.front();
        saveChoices.pop_front();
        return choice;
    }
    std::optional<std::string> openFileName(const FileDialogRequest& request) override {
        return next(openAnswers, request, "open");
    }
    std::optional<std::string> saveFileName(const FileDialogRequest& request) override {
        return next(saveAnswers, request, "save");
    }
    bool confirm(std::string_view question) override {
        confirmations.emplace_back(question);
        if (confirmAnswers.empty()) {
            ADD_FAILURE() << "unexpected question: " << question;
            return false;
        }
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> fileDialogs;  // "open" / "save", with the filter seen
    std::vector<std::string> initialNames; // the name each file dialog started with
    std::vector<std::string> confirmations;
    std::deque<bool> confirmAnswers;
    std::deque<SaveChoice> saveChoices;
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;

private:
    std::optional<std::string> next(std::deque<std::optional<std::string>>& answers,
                                    const FileDialogRequest& request, const char* kind) {
        fileDialogs.push_back(std::string(kind) + " " + std::string(request.filter));
        initialNames.emplace_back(request.initialName);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected " << kind << " file dialog";
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

inline std::filesystem::path testDir(const std::string& name) {
    auto dir = std::filesystem::path(::testing::TempDir()) / ("resedit_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::string writeDrf(const std::filesystem::path& dir, const std::string& name,
                            const drf::testing::DrfBuilder& builder) {
    const auto path = dir / name;
    builder.write(path);
    return path.string();
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A DRF of the given format with the modes (media x Draft/Normal/Best) and
// tidy values: zero-filled records, spacings of 1000 nm.
inline drf::testing::DrfBuilder drfOf(std::uint32_t format, std::vector<std::uint16_t> media = {101, 102},
                                      std::uint16_t drive = 111) {
    drf::testing::DrfBuilder b;
    b.formatVersion(format).driveId(drive).patternFill(false);
    if (format == 0) {
        b.generation(5, 3);
    }
    if (format >= 4) {
        b.share(0, drf::testing::Share::AllModes).share(1, drf::testing::Share::PerMedia);
    }
    const std::string_view spacing = format >= 4 ? "PrintModeDataFile" : "ResolutionsFile";
    for (std::uint16_t m : media) {
        for (std::uint16_t q : {2, 1, 0}) {
            b.mode(m, q);
            b.value(m, q, spacing, "TrackSpacingNM", 1000).value(m, q, spacing, "MarkSpacingNM", 1000);
        }
    }
    return b;
}

} // namespace resedit::test
