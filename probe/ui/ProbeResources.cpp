#include "ProbeResources.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace probe {

QIcon probeIcon() {
    return QIcon(QStringLiteral(":/probe/128.png"));
}

QPixmap probeBitmap() {
    return QPixmap(QStringLiteral(":/probe/131.bmp"));
}

QString probeString(const ToolProfile& profile, int id) {
    QFile file(
        QStringLiteral(":/%1/strings.json").arg(QString::fromUtf8(profile.name.data(), profile.name.size())));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object().value(QString::number(id)).toString();
}

} // namespace probe
