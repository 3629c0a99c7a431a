#include "core/platform/privatefolder.h"

#include "core/platform/lastwords.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#ifdef Q_OS_WIN
#include "core/platform/winerror.h" // <windows.h>, lean and after Winsock 2
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

QByteArray absoluteFileName(const QByteArray &fileName)
{
    const QString text = QFile::decodeName(fileName);
#ifndef Q_OS_WIN
    if (QFile::encodeName(text) != fileName) {
        if (fileName.startsWith('/'))
            return fileName;
        // The current folder's own bytes: its text may have lost some too.
        QByteArray here(4096, '\0');
        if (!::getcwd(here.data(), size_t(here.size())))
            return fileName;
        here.truncate(int(qstrlen(here.constData())));
        return here + '/' + fileName;
    }
#endif
    return fileName.isEmpty() ? fileName : QFile::encodeName(QFileInfo(text).absoluteFilePath());
}

QString reachableFileName(const QByteArray &fileName, const QString &folder)
{
    const QString text = QFile::decodeName(fileName);
#ifndef Q_OS_WIN
    if (QFile::encodeName(text) == fileName || folder.isEmpty())
        return text;
    const QByteArray target = absoluteFileName(fileName);
    const QFileInfo named(text);
    for (int n = 1; n < 100; ++n) {
        // Another file whose text reads the same gets a number of its own.
        QString name = named.fileName();
        if (n > 1)
            name = named.completeBaseName() + QStringLiteral(" (%1)").arg(n)
                   + (named.suffix().isEmpty() ? QString() : QLatin1Char('.') + named.suffix());
        const QString link = QDir(folder).filePath(name);
        const QByteArray linkName = QFile::encodeName(link);
        char seen[4096];
        const ssize_t length = ::readlink(linkName.constData(), seen, sizeof seen);
        if (length >= 0 && QByteArray(seen, int(length)) == target)
            return link;
        if (length < 0 && ::symlink(target.constData(), linkName.constData()) == 0)
            return link;
        if (length < 0 && errno != EEXIST && errno != EINVAL)
            break;
    }
#else
    Q_UNUSED(folder);
#endif
    return text;
}
