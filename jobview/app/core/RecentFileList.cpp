#include "RecentFileList.h"

#include <QDir>
#include <QFileInfo>

namespace jobview {

namespace {

const QString kGroup = QStringLiteral("Recent File List");

QString canonical(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

void RecentFileList::add(const QString& path) {
    if (path.isEmpty())
        return;
    const QString entry = canonical(path);
    entries.removeAll(entry);
    entries.prepend(entry);
    while (entries.size() > maximum)
        entries.removeLast();
}

void RecentFileList::remove(const QString& path) {
    entries.removeAll(canonical(path));
}

void RecentFileList::load(QSettings& settings) {
    entries.clear();
    settings.beginGroup(kGroup);
    for (int i = 1; i <= maximum; ++i) {
        const QString value = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!value.isEmpty() && !entries.contains(value))
            entries.append(value);
    }
    settings.endGroup();
}

void RecentFileList::save(QSettings& settings) const {
    settings.beginGroup(kGroup);
    for (int i = 1; i <= maximum; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= entries.size())
            settings.setValue(key, entries.at(i - 1));
        else
            settings.remove(key);
    }
    settings.endGroup();
}

} // namespace jobview
