#include "core/app/picturedrop.h"

#include "core/app/converter.h"
#include "core/platform/privatefolder.h"

#include <QMimeData>
#include <QUrl>

QString droppedPicturePath(const QMimeData *mime, const QString &folder)
{
    if (!mime || !mime->hasUrls())
        return QString();
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile())
        return QString();
    const QUrl &url = urls.constFirst();
    QString path = url.toLocalFile();
    // Bytes of the name that are not UTF-8 became U+FFFD there, naming no
    // file; the address still holds them, percent-encoded.
    if (path.contains(QChar::ReplacementCharacter) && url.host().isEmpty())
        path = reachableFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()),
                                 folder);
    return !path.isEmpty() && isPickableFile(path) ? path : QString();
}
