// Load and first paint of a phone-camera photo in the preview box, against a
// full-size decode of the same file.
#include "ui/preview/CImagePreviewStatic.h"

#include "benchmain.h"
#include "benchphoto.h"

#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QTemporaryDir *g_dir = nullptr;

QString photoPath(int noise)
{
    static QMap<int, QString> made;
    if (!made.contains(noise)) {
        const QString file = g_dir->filePath(QStringLiteral("photo-6000x4000-%1.jpg").arg(noise));
        writeBenchPhoto(file, noise);
        made.insert(noise, file);
    }
    return made.value(noise);
}

void previewLoadAndFirstPaint(benchmark::State &state)
{
    const QString path = photoPath(int(state.range(0)));
    CImagePreviewStatic preview;
    preview.resize(119, 150);
    preview.InitGraphics();
    QImage screen(preview.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        preview.LoadImageFile(path);
        preview.render(&screen);
        benchmark::DoNotOptimize(screen.constBits());
    }
    if (!preview.isShowing())
        state.SkipWithError("the preview did not show the photo");
}
// Noise spread 4: a clean daylight photo (about 1.4 MB); 24: a grainy one (about 7 MB).
BENCHMARK(previewLoadAndFirstPaint)->Arg(4)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void fullSizeDecode(benchmark::State &state)
{
    const QString path = photoPath(int(state.range(0)));
    for (auto _ : state) {
        QImageReader reader(path);
        // The photo is bigger than Qt's default allocation limit.
        reader.setAllocationLimit(0);
        QImage image = reader.read();
        if (image.isNull()) {
            state.SkipWithError("cannot decode the photo");
            break;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(fullSizeDecode)->Arg(4)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

int main(int argc, char **argv)
{
    return runPhotoBenchmarks(argc, argv, g_dir);
}
