#include "app/resources.h"

#include <QDir>
#include <QFileInfo>

static void initPictovaneResources()
{
    // The resources live in a static library; make sure they are registered.
    Q_INIT_RESOURCE(pictovane);
}

namespace resources {

QString bitmapPath(int id)
{
    initPictovaneResources();
    return QStringLiteral(":/bitmaps/%1.png").arg(id);
}

QImage loadBitmap(int id)
{
    return QImage(bitmapPath(id));
}

QIcon loadIcon(int id)
{
    initPictovaneResources();
    QIcon icon;
    const QDir dir(QStringLiteral(":/icons"));
    const QStringList files = dir.entryList({QStringLiteral("%1_*.png").arg(id)}, QDir::Files);
    for (const QString &f : files)
        icon.addFile(dir.filePath(f));
    return icon;
}

QString loadString(int id)
{
    switch (id) {
    case 101:
        return QStringLiteral("&About Pictovane...");
    default:
        return QString();
    }
}

} // namespace resources
