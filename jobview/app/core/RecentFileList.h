// The "Recent File" list of the File menu: newest first, at most four, kept
// in the program's settings as the framework keeps it ("Recent File List",
// values File1 to File4).
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

namespace jobview {

class RecentFileList {
public:
    static constexpr int kMaximum = 4;

    explicit RecentFileList(int maximum = kMaximum) : maximum(maximum) {}

    // Moves the file to the front; an entry naming the same file (by its
    // absolute, cleaned path) is not kept twice.
    void add(const QString& path);
    void remove(const QString& path);
    const QStringList& files() const { return entries; }

    void load(QSettings& settings);
    void save(QSettings& settings) const;

    // What the menu shows for entry `index`: "&1 " and the entry's display name.
    QString menuText(int index, const QString& currentFolder) const;

private:
    int maximum;
    QStringList entries;
};

// The longest display name of a recent file, as the platform's lists keep it.
inline constexpr int kRecentDisplayLength = 30;

// A recent file as the platform's lists show it: the path in the system's
// separators; a file of the current folder by its name alone; a path longer
// than `maxLength` with the folders after its root cut to "..." until it fits
// ("C:\...\jobs\label.tolm", "/.../jobs/label.tolm"), and the bare file name
// when even that is too long.
QString recentDisplayName(const QString& path, const QString& currentFolder,
                          int maxLength = kRecentDisplayLength);

} // namespace jobview
