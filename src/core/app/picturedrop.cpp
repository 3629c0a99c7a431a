#include "app/picturedrop.h"

#include "app/converter.h"

#include <QMimeData>
#include <QUrl>

QString droppedPicturePath(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return QString();
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile())
        return QString();
    const QString path = urls.constFirst().toLocalFile();
    return !path.isEmpty() && isPickableFile(path) ? path : QString();
}
