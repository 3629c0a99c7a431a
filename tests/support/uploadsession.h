// A user's session for end-to-end tests: a profile, a start folder, a picked
// photo, and the main window wired to the real upload as the application
// wires it, talking to a loopback server through the proxy setting.
#pragma once

#include "core/upload/uploadandreport.h"
#include "pictures.h"
#include "testfiles.h"
#include "windowfixture.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

struct Session : WindowFixture
{
    QTemporaryDir pictures;
    std::unique_ptr<CWallpaperDlg> dlg;

    Session() : WindowFixture(kProfile)
    {
        dlg = makeWindow();
        dlg->setUploadJob([this](auto &&...inputs) {
            return uploadAndReport(presenter, std::forward<decltype(inputs)>(inputs)..., kTestTimeouts);
        });
        dlg->OnInitDialog();
    }
    ~Session() { dlg.reset(); }

    // Browse to a fresh photo; ImageMagick writes a.gif into the window's folder.
    void browse()
    {
        presenter.nextFile = writePhoto(pictures.filePath(QStringLiteral("beach day+sun.jpg")));
        dlg->OnBrowse();
        QVERIFY2(QFile::exists(QDir(dlg->startDir()).filePath(QStringLiteral("a.gif"))),
                 "the converter wrote no a.gif");
    }

    void upload() { dlg->OnUpload(); }
};
