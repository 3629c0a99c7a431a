// The whole Browse after the file dialog (preview decoded and drawn, phone
// copy written) on a clean and on a grainy 6000x4000 photo, side by side
// with the way it was done before: the preview first, then ImageMagick
// decoding every pixel. Also the converter's own peak memory both ways, and
// how far the new copy's pixels are from the old one's.
#include "app/CWallpaperDlg.h"
#include "app/converter.h"
#include "app/presenter.h"
#include "platform/hiddenprocess.h"
#include "platform/profilestore.h"
#include "preview/CImagePreviewStatic.h"

#include "benchphoto.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 7;
constexpr int kWidth = 128;
constexpr int kHeight = 160;

// Answers the file dialog with the photo; any box would spoil the figures.
class BenchPresenter : public Presenter
{
public:
    QString file;
    int boxes = 0;
    void messageBox(const QString &) override { ++boxes; }
    void plainBox(const QString &, const QString &) override { ++boxes; }
    std::optional<QString> openFileName(const QStringList &) override { return file; }
    void statusDialog(int, const QByteArray &) override {}
    void openUrl(const QUrl &) override {}
    void aboutBox() override {}
    bool askYesNo(const QString &) override { return false; }
    void recentUploads(const UploadHistory &) override {}
};

// What Browse ran before: the picture decoded in full, sampled to the box.
QStringList fullDecodeArguments(const QString &output)
{
    return {QStringLiteral("-sample"), QStringLiteral("%1x%2").arg(kWidth).arg(kHeight),
            QStringLiteral("jpg:-"), converterOutputFor(output)};
}

struct Child
{
    double ms = 0;
    double peakMiB = 0;
};

// One converter run with the picture on its standard input, with its peak
// resident size as /usr/bin/time reads it from wait4(). (Not our own wait4:
// a child of this process starts out with our peak, photos and all.)
Child runMeasured(const QString &program, const QStringList &arguments, const QString &input,
                  const QString &scratch)
{
    const QString report = scratch + QStringLiteral("/peak.txt");
    QFile::remove(report);
    QProcess process;
    process.setStandardInputFile(input);
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("/usr/bin/time"), QStringList{QStringLiteral("-f"), QStringLiteral("%M"),
                                                               QStringLiteral("-o"), report, program}
                                                       + arguments);
    Child child;
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        qFatal("a measured conversion failed");
    child.ms = double(timer.nsecsElapsed()) / 1e6;
    QFile peak(report);
    if (peak.open(QIODevice::ReadOnly))
        child.peakMiB = peak.readAll().trimmed().toDouble() / 1024;
    return child;
}

// Mean absolute difference per channel of two pictures of one size.
double meanDifference(const QString &a, const QString &b)
{
    const QImage x(a), y(b);
    if (x.isNull() || x.size() != y.size())
        return -1;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir config, start, pictures;
    {
        QFile profile(config.filePath(QStringLiteral("Belltrove.conf")));
        if (!profile.open(QIODevice::WriteOnly))
            qFatal("cannot write the profile");
        profile.write(QStringLiteral("[General]\nwallpaperSupport=1\nwallpaperType=2\nwallpaperWidth=%1\n"
                                     "wallpaperHeight=%2\n")
                          .arg(kWidth)
                          .arg(kHeight)
                          .toLatin1());
    }
    QDir::setCurrent(start.path());
    BenchPresenter presenter;
    CWallpaperDlg dlg(presenter, openProfileFile(config.filePath(QStringLiteral("Belltrove.conf"))));
    dlg.OnInitDialog();
    dlg.show();
    QApplication::processEvents();
    auto *preview = dlg.findChild<CImagePreviewStatic *>(QStringLiteral("preview2222"));
    const QString converter = converterPathFor(start.path(), systemConverterLookup());
    const QString output = convertedPicturePath(start.path(), QStringLiteral("gif"));
    if (!preview || converter.isEmpty())
        qFatal("no preview box or no ImageMagick");
    if (!QFileInfo(QStringLiteral("/usr/bin/time")).isExecutable())
        qFatal("the peak memory is read with /usr/bin/time, which is missing");

    auto today = [&](const QString &photo) {
        QFile::remove(output);
        preview->LoadImageFile(photo);
        preview->repaint();
        // Run to the end with no limit and nothing pumped.
        hiddenprocess::HiddenRun run(converter, fullDecodeArguments(output), start.path(), photo);
        return convertedCopyUsable(run.wait(std::chrono::milliseconds(-1)), output);
    };
    auto now = [&](const QString &photo) {
        presenter.file = photo;
        dlg.OnBrowse();
        return presenter.boxes == 0 && preview->isShowing() && QFileInfo(output).size() > 0;
    };

    std::printf("Browse after the file dialog, %dx%d GIF profile, median of %d; converter alone: peak RSS "
                "(wait4, via /usr/bin/time) and time\n\n",
                kWidth, kHeight, kRounds);
    std::printf("%-6s %9s %9s %6s | %11s %11s %6s | %9s %9s | %9s %9s\n", "photo", "before ms", "now ms",
                "ratio", "before MiB", "now MiB", "ratio", "conv ms", "conv ms", "MAD bmp", "MAD gif");
    std::printf("%-6s %9s %9s %6s | %11s %11s %6s | %9s %9s | %9s %9s\n", "", "", "", "", "", "", "",
                "before", "now", "", "");
    for (const auto &[name, noise] : {std::pair{"clean", 4}, std::pair{"noisy", 24}}) {
        const QString photo = pictures.filePath(QStringLiteral("photo-%1.jpg").arg(noise));
        writeBenchPhoto(photo, noise);
        const QSize size = pictureSizeOf(photo);
        const QByteArray head = pictureHeadOf(photo);

        std::vector<double> before, after;
        // One of each to warm the caches, then alternating rounds.
        if (!today(photo) || !now(photo))
            qFatal("a Browse failed");
        for (int round = 0; round < kRounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            if (!today(photo))
                qFatal("the old Browse failed");
            before.push_back(double(timer.nsecsElapsed()) / 1e6);
            timer.restart();
            if (!now(photo))
                qFatal("Browse failed");
            after.push_back(double(timer.nsecsElapsed()) / 1e6);
        }

        std::vector<double> rssBefore, rssNow, msBefore, msNow;
        const QStringList newArguments = imageMagickArguments(kWidth, kHeight, head, size, output);
        for (int round = 0; round < 3; ++round) {
            const Child b = runMeasured(converter, fullDecodeArguments(output), photo, pictures.path());
            const Child n = runMeasured(converter, newArguments, photo, pictures.path());
            rssBefore.push_back(b.peakMiB);
            rssNow.push_back(n.peakMiB);
            msBefore.push_back(b.ms);
            msNow.push_back(n.ms);
        }

        // The pixels: the same two decodes, once as a bitmap (the decode
        // alone) and once as the phone's GIF (with its palette and dither).
        double mad[2] = {0, 0};
        for (int i = 0; i < 2; ++i) {
            const QString ext = QLatin1String(i == 0 ? "bmp" : "gif");
            const QString full = pictures.filePath(QStringLiteral("full.") + ext);
            const QString reduced = pictures.filePath(QStringLiteral("reduced.") + ext);
            runMeasured(converter, fullDecodeArguments(full), photo, pictures.path());
            runMeasured(converter, imageMagickArguments(kWidth, kHeight, head, size, reduced), photo,
                        pictures.path());
            mad[i] = meanDifference(full, reduced);
        }

        const double tb = median(before), tn = median(after);
        const double mb = median(rssBefore), mn = median(rssNow);
        std::printf("%-6s %9.0f %9.0f %6.2f | %11.1f %11.1f %6.2f | %9.0f %9.0f | %9.2f %9.2f\n", name, tb,
                    tn, tn / tb, mb, mn, mn / mb, median(msBefore), median(msNow), mad[0], mad[1]);
        std::fflush(stdout);

        std::vector<double> previewMs;
        for (int round = 0; round < kRounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            preview->LoadImageFile(photo);
            preview->repaint();
            previewMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::printf("%-6s preview alone (decode at box size, draw): %.0f ms\n", "", median(previewMs));

        // The GIF palette's error diffusion takes a fixed colour table
        // (128 MiB in a 16-bit ImageMagick) whatever the picture's size: what
        // the copy would cost without it, and how far its pixels would be.
        {
            QStringList undithered = imageMagickArguments(kWidth, kHeight, head, size, output);
            undithered.insert(undithered.size() - 1, QStringLiteral("-dither"));
            undithered.insert(undithered.size() - 1, QStringLiteral("None"));
            undithered.insert(undithered.size() - 1, QStringLiteral("-colors"));
            undithered.insert(undithered.size() - 1, QStringLiteral("256"));
            const Child n = runMeasured(converter, undithered, photo, pictures.path());
            const QString full = pictures.filePath(QStringLiteral("full.gif"));
            std::printf("%-6s (not used) a.gif undithered: peak %.1f MiB, %.0f ms, MAD gif %.2f\n", "",
                        n.peakMiB, n.ms, meanDifference(full, output));
        }

        // The phone's other formats: no palette to build, so the decode is
        // all there is to the converter's memory.
        for (const char *ext : {"jpg", "bmp"}) {
            const QString copy = pictures.filePath(QStringLiteral("a.") + QLatin1String(ext));
            const Child b = runMeasured(converter, fullDecodeArguments(copy), photo, pictures.path());
            const Child n = runMeasured(converter, imageMagickArguments(kWidth, kHeight, head, size, copy),
                                        photo, pictures.path());
            std::printf(
                "%-6s converter to a.%s: peak %.1f MiB before, %.1f MiB now (ratio %.2f); %.0f ms, %.0f ms\n",
                "", ext, b.peakMiB, n.peakMiB, n.peakMiB / b.peakMiB, b.ms, n.ms);
        }
    }
    return 0;
}
