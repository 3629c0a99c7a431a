#include "platform/privatefolder.h"

#include "platform/lastwords.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#ifdef Q_OS_WIN
#include "platform/winerror.h" // <windows.h>, lean and after Winsock 2
#else
#include <cerrno>
#include <signal.h>
#include <unistd.h>
#endif

namespace {

const char kPrefix[] = "pictovane-";

qint64 currentProcessId()
{
    return QCoreApplication::applicationPid();
}

// Only a process known to be gone counts; where in doubt the folder stays.
bool processIsGone(qint64 pid)
{
#ifdef Q_OS_WIN
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return ::GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool gone = ::GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    ::CloseHandle(process);
    return gone;
#else
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#endif
}

bool ownedByUs(const QFileInfo &info)
{
#ifdef Q_OS_WIN
    Q_UNUSED(info);
    return true;
#else
    return info.ownerId() == ::getuid();
#endif
}

} // namespace

QString PrivateFolder::defaultBase()
{
    // Qt checks that the runtime folder is ours and 0700, and falls back
    // to a private one of its own where it is not.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

int PrivateFolder::removeStale(const QString &base)
{
    static const QRegularExpression name(QStringLiteral("^pictovane-(\\d+)-[A-Za-z0-9]{6}$"));
    int removed = 0;
    QDirIterator it(base, {QLatin1String(kPrefix) + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QRegularExpressionMatch match = name.match(info.fileName());
        // A link is never followed: it could lead into the user's files.
        if (!match.hasMatch() || info.isSymLink() || !ownedByUs(info))
            continue;
        const qint64 pid = match.captured(1).toLongLong();
        if (pid == currentProcessId() || !processIsGone(pid))
            continue;
        if (QDir(info.filePath()).removeRecursively())
            ++removed;
    }
    return removed;
}

PrivateFolder::PrivateFolder(const QString &base)
{
    const QString where = base.isEmpty() ? defaultBase() : base;
    removeStale(where);
    QTemporaryDir made(QDir(where).filePath(QLatin1String(kPrefix) + QString::number(currentProcessId())
                                            + QStringLiteral("-XXXXXX")));
    if (!made.isValid())
        return;
    made.setAutoRemove(false);
    // QTemporaryDir makes it 0700 already; said here, as it is the point.
    QFile::setPermissions(made.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_path = QDir(made.path()).absolutePath();
    lastwords::setFolder(QFile::encodeName(m_path));
}

PrivateFolder::~PrivateFolder()
{
    if (m_path.isEmpty())
        return;
    lastwords::clearFolder(QFile::encodeName(m_path));
    QDir(m_path).removeRecursively();
}
