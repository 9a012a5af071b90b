// Every question, message box and file dialog of resedit goes through this
// interface, so the editors' rules can be driven without a window and tests
// can script the answers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace resedit {

enum class SaveChoice { Save, Discard, Cancel };

// A file dialog: the framework's filter string ("name | pattern | ... ||"),
// default extension and the name the dialog starts with.
struct FileDialogRequest {
    std::string_view filter;
    std::string_view defaultExtension;
    std::string_view initialName;
};

class Prompter {
public:
    virtual ~Prompter() = default;

    // A message box with an OK button.
    virtual void message(std::string_view text) = 0;
    // Unsaved changes: save them, drop them, or stay where we are.
    virtual SaveChoice askSaveChanges(std::string_view fileName) = 0;
    // The chosen path (UTF-8), or nothing when the user cancelled.
    virtual std::optional<std::string> openFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFileName(const FileDialogRequest& request) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool confirm(std::string_view question) = 0;
    // The picture "Preview Label..." renders: a path, empty for the suite's
    // sample label, nothing when the user cancelled. Without a dialog to ask:
    // the sample label.
    virtual std::optional<std::string> previewPicture() { return std::string(); }
};

} // namespace resedit
