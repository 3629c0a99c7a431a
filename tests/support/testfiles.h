// Small helpers the tests share: files, the proxy that leads to a loopback
// server, short network limits, and mask pictures.
#pragma once

#include "core/platform/inet.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
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
