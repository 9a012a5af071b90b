#include "DialogSupport.h"

#include "WidgetPrompter.h"

#include <QMimeData>
#include <QUrl>

// A resource file linked from a static library must be registered by hand,
// and outside any namespace.
static void initResources() {
    Q_INIT_RESOURCE(resedit);
}

namespace resedit {

QIcon programIcon() {
    static const bool registered = (initResources(), true);
    (void)registered;
    QIcon icon;
    for (int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/resedit/resedit-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QFont dialogFont(const FontSpec& spec) {
    QFont font(toQString(spec.face));
    font.setPointSize(spec.pointSize);
    return font;
}

QFont fontOf(const FontDef& def) {
    QFont font(toQString(kDialogFontFace));
    // The dialogs ask for fonts by cell height; Qt sizes by em, about 7/8 of it.
    font.setPixelSize(def.pixelHeight * 7 / 8);
    font.setWeight(def.weight >= 700 ? QFont::Bold : QFont::Normal);
    return font;
}

QFont fontFor(FontRole role) {
    switch (role) {
    case FontRole::Title:
        return fontOf(kTitleFont);
    case FontRole::Heading:
        return fontOf(kHeadingFont);
    case FontRole::Text:
        break;
    }
    return fontOf(kTextFont);
}

std::vector<std::string> droppedFiles(const QMimeData* mime) {
    std::vector<std::string> files;
    if (mime == nullptr) {
        return files;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            files.push_back(toUtf8(url.toLocalFile()));
        }
    }
    return files;
}

} // namespace resedit
