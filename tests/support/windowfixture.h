// The main window as a user's session has it: a profile of its own, a start
// folder that is current while the window initialises, and a presenter that
// records boxes instead of blocking. Nothing touches the user's real files.
#pragma once

#include "app/CWallpaperDlg.h"
#include "platform/profilestore.h"
#include "recordingpresenter.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

struct WindowFixture
{
    QTemporaryDir config;
    QTemporaryDir start;
    QString oldCurrent = QDir::currentPath();
    RecordingPresenter presenter;
    // Exit statuses the window asked the process to end with.
    QList<int> exitCodes;

    // A null profile leaves the store without its file, as on a machine the
    // companion application never ran on.
    explicit WindowFixture(const QByteArray &profile)
    {
        if (!profile.isNull()) {
            QFile f(profilePath());
            if (!f.open(QIODevice::WriteOnly) || f.write("[General]\n" + profile) < 0)
                qFatal("cannot write the profile");
        }
        QDir::setCurrent(start.path());
    }
    ~WindowFixture() { QDir::setCurrent(oldCurrent); }

    QString profilePath() const { return config.filePath(QStringLiteral("Belltrove.conf")); }
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
