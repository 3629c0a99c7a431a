#include "core/platform/lastwords.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/syscall.h>
#endif

namespace lastwords {

namespace {

// Long enough for any runtime folder; a longer one is simply not cleaned
// here, the next start removes it.
constexpr std::size_t kMaxPath = 4096;
char g_folder[kMaxPath];
std::atomic<bool> g_haveFolder{false};
std::atomic<long> g_childGroup{0};
std::atomic<int> g_stopSignal{0};

#ifndef Q_OS_WIN
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

void removeFolder()
{
    if (!g_haveFolder.load())
        return;
#ifdef Q_OS_LINUX
    // readdir() may allocate; the raw directory read does not.
    const int dir = ::open(g_folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir >= 0) {
        alignas(8) char entries[4096];
        long got;
        while ((got = ::syscall(SYS_getdents64, dir, entries, sizeof entries)) > 0) {
            for (long at = 0; at < got;) {
                // struct linux_dirent64: inode, offset, record length, type, name.
                unsigned short length;
                std::memcpy(&length, entries + at + 16, sizeof length);
                const char *name = entries + at + 19;
                if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
                    ::unlinkat(dir, name, 0);
                at += length;
            }
        }
        ::close(dir);
    }
#endif
    // Elsewhere only an empty folder goes; the next start removes the rest.
    ::rmdir(g_folder);
}

void onFatalSignal(int signal)
{
    const long group = g_childGroup.load();
    if (group > 0)
        ::kill(pid_t(-group), SIGKILL);
    removeFolder();
    // Die of the same signal, with its default action.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void onStopSignal(int signal)
{
    // A second one means the stop itself hangs: end as any fatal signal.
    int none = 0;
    if (!g_stopSignal.compare_exchange_strong(none, signal))
        onFatalSignal(signal);
}
#endif

} // namespace

void install()
{
#ifndef Q_OS_WIN
    static std::atomic<bool> installed{false};
    if (installed.exchange(true))
        return;
    for (const int s : kSignals) {
        struct sigaction action = {};
        action.sa_handler = onFatalSignal;
        sigemptyset(&action.sa_mask);
        // Once in the handler, the others wait: one clean-up at a time.
        for (const int other : kSignals)
            sigaddset(&action.sa_mask, other);
        action.sa_flags = SA_RESETHAND;
        struct sigaction old = {};
        // A signal the caller ignores (nohup) stays ignored.
        if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        ::sigaction(s, &action, nullptr);
    }
#endif
}

void stopOnInterrupt()
{
#ifndef Q_OS_WIN
    install();
    for (const int s : {SIGINT, SIGTERM}) {
        struct sigaction old = {};
        if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        for (const int other : kSignals)
            sigaddset(&action.sa_mask, other);
        // The waits come back every few milliseconds to look at the flag.
        action.sa_flags = SA_RESTART;
        ::sigaction(s, &action, nullptr);
    }
#endif
}

int stopSignal()
{
    return g_stopSignal.load();
}

void dieOf(int signal)
{
#ifndef Q_OS_WIN
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
#endif
    std::_Exit(128 + signal);
}

void setFolder(const QByteArray &path)
{
    g_haveFolder.store(false);
    if (path.isEmpty() || std::size_t(path.size()) >= kMaxPath)
        return;
    std::memcpy(g_folder, path.constData(), std::size_t(path.size()) + 1);
    g_haveFolder.store(true);
}

void clearFolder(const QByteArray &path)
{
    if (g_haveFolder.load() && path == QByteArray(g_folder))
        g_haveFolder.store(false);
}

void setChildGroup(long group)
{
    g_childGroup.store(group);
}

} // namespace lastwords
