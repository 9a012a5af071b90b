#pragma once

// File > Save Support Bundle: collects the bundle of the machine the window
// looks at, lists what it will hold (by kind, with sizes), offers to replace
// the user's and the computer's names and user SIDs by placeholders, then
// asks for the file and writes it as qmdiag bundle does. Collecting, the
// listing and writing are diagtool/bundle's (BundlePlan.h); this shows them.

#include "diagtool/bundle/BundlePlan.h"

#include <QDialog>

#include <cstdint>
#include <functional>

class MessagePrompter;
class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

class SaveBundleDialog : public QDialog {
    Q_OBJECT
public:
    // `now` gives the bundle's time (seconds since 1970 UTC); null: the clock.
    SaveBundleDialog(qmbundle::SystemOpener openSystem, MessagePrompter& messages, QWidget* parent = nullptr,
                     std::function<std::int64_t()> now = {});

    // Collects again with the check box's choice and shows the listing;
    // false (with the reason shown) when the machine does not open.
    bool collect();
    // Asks for the file (the default name in the user's documents folder),
    // writes it and reports the file, the entries and the size, or why it
    // was not written. True when the bundle was written.
    bool save();

    const qmbundle::BundlePlan& plan() const { return plan_; }
    const qmbundle::SavedBundle& saved() const { return saved_; }
    QTreeWidget* entryTree() const { return tree_; }
    QCheckBox* redactBox() const { return redact_; }
    QLabel* summaryLabel() const { return summary_; }
    QPushButton* saveButton() const { return saveButton_; }
    // Where the file dialog starts: the default file name in `folder`.
    QString suggestedPath() const;
    void setSuggestedFolder(const QString& folder) { folder_ = folder; }

private:
    void showPlan();

    qmbundle::SystemOpener openSystem_;
    MessagePrompter& messages_;
    std::function<std::int64_t()> now_;
    qmbundle::BundleContents contents_;
    qmbundle::BundlePlan plan_;
    qmbundle::SavedBundle saved_;
    QString folder_;

    QTreeWidget* tree_ = nullptr;
    QCheckBox* redact_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* saveButton_ = nullptr;
};
