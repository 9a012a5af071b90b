#include "RecentFileList.h"

#include <QDir>
#include <QFileInfo>

namespace jobview {

namespace {

const QString kGroup = QStringLiteral("Recent File List");

QString canonical(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The part of a clean absolute path that is never cut: "/", "C:/" or
// "//server/share/".
qsizetype rootLength(const QString& path) {
    if (path.startsWith(QLatin1String("//"))) {
        const qsizetype server = path.indexOf(QLatin1Char('/'), 2);
        const qsizetype share = server < 0 ? -1 : path.indexOf(QLatin1Char('/'), server + 1);
        return share < 0 ? path.size() : share + 1;
    }
    if (path.size() >= 3 && path.at(1) == QLatin1Char(':') && path.at(2) == QLatin1Char('/'))
        return 3;
    return path.startsWith(QLatin1Char('/')) ? 1 : 0;
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

QString RecentFileList::menuText(int index, const QString& currentFolder) const {
    if (index < 0 || index >= entries.size())
        return {};
    QString name = recentDisplayName(entries.at(index), currentFolder);
    // An ampersand in a path is part of the name, not a mnemonic.
    name.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

QString recentDisplayName(const QString& path, const QString& currentFolder, int maxLength) {
    QString clean = QDir::fromNativeSeparators(path);
    // Cleaning would fold the double slash of a network path into one.
    const bool network = clean.startsWith(QLatin1String("//"));
    clean = QDir::cleanPath(clean);
    if (network && !clean.startsWith(QLatin1String("//")))
        clean.prepend(QLatin1Char('/'));
    const QFileInfo info(clean);
    if (!currentFolder.isEmpty() &&
        QDir::cleanPath(QDir::fromNativeSeparators(currentFolder)) == QDir::cleanPath(info.path()))
        return info.fileName();
    if (clean.size() <= maxLength)
        return QDir::toNativeSeparators(clean);

    const qsizetype root = rootLength(clean);
    const QStringList parts = clean.mid(root).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // Drop folders from the front, at least one, until the rest fits.
    for (qsizetype keep = parts.size() - 1; keep >= 1; --keep) {
        const QString shortened = clean.left(root) + QLatin1String(".../") +
                                  QStringList(parts.mid(parts.size() - keep)).join(QLatin1Char('/'));
        if (shortened.size() <= maxLength)
            return QDir::toNativeSeparators(shortened);
    }
    return info.fileName();
}

} // namespace jobview
