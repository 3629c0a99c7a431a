// A user's session for end-to-end tests: a profile, a start folder, a picked
// photo, and the main window wired to the real upload as the application
// wires it, talking to a loopback server through the proxy setting.
#pragma once

#include "core/upload/uploadandreport.h"
#include "testfiles.h"
#include "windowfixture.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

inline const QByteArray kProfile = "Version=4.2.1\nwallpaperSupport=1\nNumber=5550142\nCarrier=7\n"
                                   "Phone=1120\nwallpaperType=2\nwallpaperWidth=128\nwallpaperHeight=160\n";

inline QByteArray httpReply(const QByteArray &body, const QByteArray &status = "200 OK")
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

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
        QImage photo(640, 480, QImage::Format_RGB32);
        photo.fill(QColor(30, 120, 200));
        const QString path = pictures.filePath(QStringLiteral("beach day+sun.jpg"));
        QVERIFY(photo.save(path, "JPG"));
        presenter.nextFile = path;
        dlg->OnBrowse();
        QVERIFY2(QFile::exists(QDir(dlg->startDir()).filePath(QStringLiteral("a.gif"))),
                 "the converter wrote no a.gif");
    }

    void upload() { dlg->OnUpload(); }
};
