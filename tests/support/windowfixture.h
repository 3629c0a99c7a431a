// The main window as a user's session has it: a profile of its own, a start
// folder that is current while the window initialises, a runtime folder for
// the window's private folder, a folder first on PATH for stand-in
// converters, and a presenter that records boxes instead of blocking.
// Nothing touches the user's real files.
#pragma once

#include "core/platform/profilestore.h"
#include "recordingpresenter.h"
#include "testfiles.h"
#include "ui/app/CWallpaperDlg.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

// A phone profile that supports wallpapers, of the given type and size.
inline QByteArray profileOf(int type, int width, int height)
{
    return QStringLiteral("Version=2.5\nSerial=9\nwallpaperSupport=1\nNumber=5550100\nType=1\n"
                          "Carrier=4\nPhone=210\nwallpaperType=%1\nwallpaperWidth=%2\nwallpaperHeight=%3\n")
        .arg(type)
        .arg(width)
        .arg(height)
        .toLatin1();
}

struct WindowFixture : MachineFolders
{
    QTemporaryDir bin;
    QByteArray oldPath = qgetenv("PATH");
    RecordingPresenter presenter;
    // Exit statuses the window asked the process to end with.
    QList<int> exitCodes;

    // A null profile leaves the store without its file, as on a machine the
    // companion application never ran on.
    explicit WindowFixture(const QByteArray &profile) : MachineFolders(profile)
    {
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);
    }
    ~WindowFixture() { qputenv("PATH", oldPath); }

    // A stand-in converter found on PATH before ImageMagick, under both of
    // ImageMagick's names; returns its path.
    QString installConverter(const QByteArray &script) { return ::installConverter(bin.path(), script); }
    // Leaves ImageMagick, if any, as the converter PATH leads to.
    void removeConverter()
    {
        for (const char *name : {"magick", "convert"})
            QFile::remove(bin.filePath(QLatin1String(name)));
    }

    QString userSettingsPath() const { return config.filePath(QStringLiteral("user.conf")); }

    std::unique_ptr<CWallpaperDlg> makeWindow()
    {
        auto dlg = std::make_unique<CWallpaperDlg>(presenter, openProfileFile(profilePath()));
        dlg->setExitProcess([this](int code) { exitCodes << code; });
        // The user's own choices go to a file of the test's, never the real one.
        dlg->setUserSettings(std::make_unique<QSettings>(userSettingsPath(), QSettings::IniFormat));
        return dlg;
    }
};
