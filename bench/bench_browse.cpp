// Browse of a 6000x4000 photo (a clean and a grainy one) to the phone's
// copy, against a plain `convert -resize` of the same photo to the same
// size; a change of framing afterwards; the converter's peak memory for each
// step against the way the copy was made before (reduced decode, -sample);
// and one preview frame of a pan.
#include "core/app/converter.h"
#include "core/app/presenter.h"
#include "core/platform/hiddenprocess.h"
#include "core/platform/profilestore.h"
#include "ui/app/CWallpaperDlg.h"
#include "ui/preview/CImagePreviewStatic.h"

#include "benchphoto.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
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
    void statusDialog(int, const QByteArray &, const QString &) override {}
    void openUrl(const QUrl &) override {}
    bool askToStop(const QString &) override { return false; }
    void aboutBox() override {}
    bool askYesNo(const QString &) override { return false; }
    void recentUploads(const UploadHistory &) override {}
};

// What Browse ran before: a reduced decode sampled to the size that fits.
QStringList sampledArguments(const QString &output)
{
    return converterLimitArguments()
           + QStringList{QStringLiteral("-define"), QStringLiteral("jpeg:size=256x320"),
                         QStringLiteral("-sample"), QStringLiteral("128x85!"),
                         QStringLiteral("jpg:-"),   converterOutputFor(output)};
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
    if (!input.isEmpty())
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
    const QString converter = converterPathFor(systemConverterLookup());
    // The window converts into a folder of its own.
    const QString output = convertedPicturePath(dlg.startDir(), QStringLiteral("gif"));
    if (!preview || converter.isEmpty())
        qFatal("no preview box or no ImageMagick");
    if (!QFileInfo(QStringLiteral("/usr/bin/time")).isExecutable())
        qFatal("the peak memory is read with /usr/bin/time, which is missing");

    dlg.setUserSettings(
        std::make_unique<QSettings>(config.filePath(QStringLiteral("user.conf")), QSettings::IniFormat));
    const QString work = workingCopyPath(output);

    std::printf("Browse after the file dialog, %dx%d GIF profile, Fill, median of %d; converter alone: "
                "peak RSS (wait4, via /usr/bin/time)\n\n",
                kWidth, kHeight, kRounds);
    for (const auto &[name, noise] : {std::pair{"clean", 4}, std::pair{"noisy", 24}}) {
        const QString photo = pictures.filePath(QStringLiteral("photo-%1.jpg").arg(noise));
        writeBenchPhoto(photo, noise);
        const QString plainOut = pictures.filePath(QStringLiteral("plain.gif"));
        const QStringList plain{photo, QStringLiteral("-resize"),
                                QStringLiteral("%1x%2").arg(kWidth).arg(kHeight), plainOut};

        std::vector<double> browse, resize, reframe;
        presenter.file = photo;
        dlg.OnBrowse(); // warm the caches
        for (int round = 0; round < kRounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            presenter.file = photo;
            dlg.OnBrowse();
            browse.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (presenter.boxes != 0 || !preview->isShowing() || QFileInfo(output).size() <= 0)
                qFatal("Browse failed");
            resize.push_back(runMeasured(converter, plain, QString(), pictures.path()).ms);
            timer.restart();
            dlg.chooseFraming(round % 2 ? Framing::Fill : Framing::Fit);
            reframe.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (presenter.boxes != 0 || QFileInfo(output).size() <= 0)
                qFatal("a change of framing failed");
        }
        dlg.chooseFraming(Framing::Fill);
        const double b = median(browse), r = median(resize), f = median(reframe);
        std::printf(
            "%-6s Browse %6.0f ms | convert -resize %6.0f ms | ratio %.2f | change of framing %4.0f ms "
            "(%.2f of Browse)\n",
            name, b, r, b / r, f, f / b);

        // Peak memory of each step, against the sampled copy of before.
        const QSize screen(kWidth, kHeight);
        const QStringList workArgs = workingCopyArguments(pictureFactsOf(photo), screen, work);
        const Child w = runMeasured(converter, workArgs, photo, pictures.path());
        const QSize workingSize = QImage(work).size();
        for (const char *ext : {"gif", "jpg", "bmp"}) {
            const QString copy = pictures.filePath(QStringLiteral("a.") + QLatin1String(ext));
            const Child before = runMeasured(converter, sampledArguments(copy), photo, pictures.path());
            const Child frame = runMeasured(
                converter, phoneCopyArguments(workingSize, screen, FrameView{}, copy), work, pictures.path());
            std::printf("%-6s a.%s peak: before %5.1f MiB | now: working copy %5.1f MiB, framing %5.1f MiB\n",
                        "", ext, before.peakMiB, w.peakMiB, frame.peakMiB);
        }

        // A pan in the preview: move, repaint, as a drag does each frame.
        std::vector<double> frames;
        for (int i = 0; i < 60; ++i) {
            QElapsedTimer timer;
            timer.start();
            FrameView view = preview->view();
            view.zoom = 2;
            view.centre = QPointF(0.3 + 0.4 * (i % 10) / 10.0, 0.5);
            preview->setView(view);
            preview->repaint();
            frames.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::printf("%-6s preview frame during a pan at 2x: %.2f ms\n", "", median(frames));
        std::fflush(stdout);
    }
    return 0;
}
