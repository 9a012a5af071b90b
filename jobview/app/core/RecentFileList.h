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

private:
    int maximum;
    QStringList entries;
};

} // namespace jobview
