// Upload clicked in the window: a shown main window (offscreen), a picture
// taken as Browse takes it, its converted copy then replaced by FILE, and
// Upload pressed. Posts to the system proxy (the loopback sink of
// bench/compare-upload) and prints the seconds Upload took.
#include "core/app/converter.h"
#include "core/app/presenter.h"
#include "core/platform/profilestore.h"
#include "core/upload/uploadandreport.h"
#include "ui/app/CWallpaperDlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

class QuietPresenter : public Presenter
{
public:
    QList<int> modes;
    void messageBox(const QString &text) override { std::fprintf(stderr, "box: %s\n", qPrintable(text)); }
    void plainBox(const QString &text, const QString &) override { messageBox(text); }
    std::optional<QString> openFileName(const QStringList &) override { return std::nullopt; }
    void statusDialog(int mode, const QByteArray &, const QString &) override { modes << mode; }
    void openUrl(const QUrl &) override {}
    void aboutBox() override {}
    bool askToStop(const QString &) override { return false; }
    bool askYesNo(const QString &) override { return false; }
    void recentUploads(const UploadHistory &) override {}
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const QString file = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QTemporaryDir config;
    QTemporaryDir start;
    QFile profile(config.filePath(QStringLiteral("Belltrove.conf")));
    if (!profile.open(QIODevice::WriteOnly)
        || profile.write("[General]\nwallpaperSupport=1\nNumber=5551234\nwallpaperType=0\n"
                         "wallpaperWidth=128\nwallpaperHeight=160\n")
               < 0)
        return 2;
    profile.close();
    QDir::setCurrent(start.path());

    QuietPresenter presenter;
    CWallpaperDlg dlg(presenter, openProfileFile(profile.fileName()));
    dlg.setUploadJob([&presenter](auto &&...inputs) {
        return uploadAndReport(presenter, std::forward<decltype(inputs)>(inputs)...);
    });
    dlg.OnInitDialog();
    dlg.show();

    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    const QString picture = start.filePath(QStringLiteral("photo.jpg"));
    if (!photo.save(picture, "JPG"))
        return 2;
    dlg.browseTo(picture);
    const QDir folder(dlg.startDir());
    const QStringList copies = folder.entryList({QStringLiteral("a.*")}, QDir::Files);
    const QString copy = copies.size() == 1 ? folder.filePath(copies.first()) : QString();
    if (copy.isEmpty() || !QFile::remove(copy) || !QFile::link(file, copy)) {
        std::fprintf(stderr, "no converted copy to replace\n");
        return 2;
    }

    QElapsedTimer timer;
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
    timer.start();
    dlg.OnUpload();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
    const double cpu = double(cpu1.tv_sec - cpu0.tv_sec) + double(cpu1.tv_nsec - cpu0.tv_nsec) / 1e9;
    // Wall seconds, then CPU seconds of this process: on a busy machine the
    // second is the steadier measure of what the upload itself costs.
    std::printf("%.3f %.3f\n", seconds, cpu);
    return presenter.modes.isEmpty() ? 0 : 1;
}
