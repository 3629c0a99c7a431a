#include "core/app/resources.h"

#include <QDir>
#include <QImageReader>
#include <QPixmap>

#include <iterator>

static void initPictovaneResources()
{
    // The resources live in a static library; make sure they are registered.
    Q_INIT_RESOURCE(pictovane);
}

namespace {

// Our artwork is all PNG, which Qt reads itself. Named, and with guessing
// off, no image plugin is loaded; otherwise Qt loads every one installed
// to ask whether it reads the file better.
QImage readPng(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace

namespace resources {

int bitmapScaleFor(qreal devicePixelRatio)
{
    for (int scale : kBitmapScales)
        if (devicePixelRatio <= scale)
            return scale;
    return std::end(kBitmapScales)[-1];
}

QString bitmapPath(int id, int scale)
{
    initPictovaneResources();
    if (scale == 1)
        return QStringLiteral(":/bitmaps/%1.png").arg(id);
    return QStringLiteral(":/bitmaps/%1@%2x.png").arg(id).arg(scale);
}

QImage loadBitmap(int id)
{
    return readPng(bitmapPath(id));
}

QImage loadBitmap(int id, qreal devicePixelRatio)
{
    // A ratio the screen cannot have (0, negative, NaN) is a plain screen.
    if (!(devicePixelRatio > 0))
        devicePixelRatio = 1;
    const int scale = bitmapScaleFor(devicePixelRatio);
    QImage image = readPng(bitmapPath(id, scale));
    if (image.isNull() && scale != 1) {
        // A picture without larger renders still shows, Qt scales it.
        image = loadBitmap(id);
        image.setDevicePixelRatio(devicePixelRatio);
        return image;
    }
    if (image.isNull() || qFuzzyCompare(devicePixelRatio, qreal(scale))) {
        image.setDevicePixelRatio(scale);
        return image;
    }
    // Between two renders: reduce the larger one to the screen's own pixels
    // now, with area averaging, so drawing copies pixels 1:1 instead of
    // resampling on every paint (which Qt does without smoothing, jaggedly).
    const QSize logical = image.size() / scale;
    const QSize device(qMax(1, qRound(logical.width() * devicePixelRatio)),
                       qMax(1, qRound(logical.height() * devicePixelRatio)));
    image = image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QIcon loadIcon(int id)
{
    initPictovaneResources();
    QIcon icon;
    const QDir dir(QStringLiteral(":/icons"));
    const QStringList files = dir.entryList({QStringLiteral("%1_*.png").arg(id)}, QDir::Files);
    // Pixmaps, not files: QIcon would ask every image plugin about each
    // file, and the window system takes every size at once anyway.
    for (const QString &f : files)
        icon.addPixmap(QPixmap::fromImage(readPng(dir.filePath(f))));
    return icon;
}

bool screenMayHaveChanged(const QEvent &e)
{
    return e.type() == QEvent::ScreenChangeInternal
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
           || e.type() == QEvent::DevicePixelRatioChange
#endif
        ;
}

} // namespace resources
