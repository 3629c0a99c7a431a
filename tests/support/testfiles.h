// Small helpers the tests share: files, the proxy that leads to a loopback
// server, short network limits, and mask pictures.
#pragma once

#include "core/platform/inet.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <chrono>
#include <functional>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

// Writes the whole file or ends the test run: a test that cannot set up its
// files proves nothing.
inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A phone that takes 128 x 160 GIF wallpapers, as the companion describes it.
inline const QByteArray kProfile = "Version=4.2.1\nwallpaperSupport=1\nNumber=5550142\nCarrier=7\n"
                                   "Phone=1120\nwallpaperType=2\nwallpaperWidth=128\nwallpaperHeight=160\n";

// A plain-text HTTP reply the server gives.
inline QByteArray httpReply(const QByteArray &body, const QByteArray &status = "200 OK")
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// The phone profile as the companion leaves it in `folder`: `values` under
// [General]. Returns its path.
inline QString writeProfile(const QString &folder, const QByteArray &values)
{
    return writeFile(folder + QStringLiteral("/Belltrove.conf"), "[General]\n" + values);
}

// A machine as the program finds it: the companion's profile (none when
// null) in `config`, the start folder current, and a runtime folder of the
// test's own, where the program makes its private folder.
struct MachineFolders
{
    QTemporaryDir config;
    QTemporaryDir start;
    QTemporaryDir runtime;
    QString oldCurrent = QDir::currentPath();
    QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");

    explicit MachineFolders(const QByteArray &profile)
    {
        if (!profile.isNull())
            writeProfile(config.path(), profile);
        QDir::setCurrent(start.path());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    ~MachineFolders()
    {
        QDir::setCurrent(oldCurrent);
        if (oldRuntime.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", oldRuntime);
    }

    QString profilePath() const { return config.filePath(QStringLiteral("Belltrove.conf")); }
};

// An executable script; returns its path.
inline QString writeProgram(const QString &path, const QByteArray &script)
{
    writeFile(path, script);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

// A stand-in converter in `folder` under both of ImageMagick's names, found
// first when PATH leads there; returns its path.
inline QString installConverter(const QString &folder, const QByteArray &script)
{
    writeProgram(folder + QStringLiteral("/convert"), script);
    return writeProgram(folder + QStringLiteral("/magick"), script);
}

// Empty when the file is missing.
// While it lives, file permissions hold for this thread even when it runs
// as root: the capabilities that pass them by are lowered (kept permitted,
// and raised again at the end).
class PermissionsHold
{
public:
    PermissionsHold()
    {
#ifdef Q_OS_LINUX
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_lowered = syscall(SYS_capset, &m_header, lowered) == 0;
#endif
    }
    ~PermissionsHold()
    {
#ifdef Q_OS_LINUX
        if (m_lowered)
            syscall(SYS_capset, &m_header, m_saved);
#endif
    }
    PermissionsHold(const PermissionsHold &) = delete;
    PermissionsHold &operator=(const PermissionsHold &) = delete;

private:
#ifdef Q_OS_LINUX
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
#endif
};

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The process with this id is gone, or a zombie that nobody reaps here.
inline bool processGone(const QByteArray &pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid.trimmed())));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

// Points the system proxy at a loopback server, so a request for any host
// reaches it.
inline void useProxy(const QByteArray &url)
{
    qputenv("http_proxy", url);
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");
}

inline void useProxy(quint16 port)
{
    useProxy("http://127.0.0.1:" + QByteArray::number(port));
}

// Limits for tests that do not test the limits themselves: a broken
// transport fails in seconds, not minutes.
inline constexpr inet::Timeouts kTestTimeouts{std::chrono::milliseconds(5000),
                                              std::chrono::milliseconds(3000)};

// A mask picture: white, the colour that stays out of the button, except for
// what `draw` paints with a black brush and no pen.
inline QImage paintMask(int width, int height, const std::function<void(QPainter &)> &draw)
{
    QImage mask(width, height, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter p(&mask);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    draw(p);
    return mask;
}
