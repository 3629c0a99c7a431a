// Load and first paint of a phone-camera photo in the preview box, against a
// full-size decode of the same file.
#include "preview/CImagePreviewStatic.h"

#include <QApplication>
#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QTemporaryDir *g_dir = nullptr;

// A 6000x4000 JPEG with gradients, a shape and sensor-like noise of the
// given spread, so that it decodes like a photo rather than a flat colour.
// The noise sets how much of the file is entropy-coded detail, which every
// decode must read in full, however small its result.
QString photoPath(int noise)
{
    static QMap<int, QString> made;
    if (made.contains(noise))
        return made.value(noise);
    const QString path = [noise] {
        const QString file = g_dir->filePath(QStringLiteral("photo-6000x4000-%1.jpg").arg(noise));
        QImage image(6000, 4000, QImage::Format_RGB32);
        {
            QPainter p(&image);
            QLinearGradient g(0, 0, 6000, 4000);
            g.setColorAt(0, QColor(30, 80, 160));
            g.setColorAt(1, QColor(240, 190, 60));
            p.fillRect(image.rect(), g);
            p.setBrush(QColor(40, 150, 70));
            p.drawEllipse(QRect(1000, 800, 2500, 2000));
        }
        QRandomGenerator rng(42);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int n = int(rng.bounded(unsigned(noise) + 1)) - noise / 2;
                const QRgb c = line[x];
                line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255),
                               qBound(0, qBlue(c) + n, 255));
            }
        }
        if (!image.save(file, "JPG", 90))
            qFatal("cannot write the benchmark photo");
        return file;
    }();
    made.insert(noise, path);
    return path;
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
