#include "core/platform/hiddenprocess.h"

#include "core/platform/lastwords.h"
#include "core/platform/wait.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <algorithm>

#ifdef Q_OS_WIN
#include "core/platform/winerror.h" // <windows.h>, lean and after Winsock 2
#else
#include <signal.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace hiddenprocess {

namespace {

// Slices of a pumped wait: short enough to keep a window painting, and
// waitForFinished() returns the moment the helper ends anyway.
constexpr int kPumpSliceMs = 15;

} // namespace

HiddenRun::HiddenRun(const QString &program, const QStringList &arguments, const QString &workingDir,
                     const QString &standardInputFile)
{
    if (program.isEmpty())
        return;
    m_process = std::make_unique<QProcess>();
    QProcess &process = *m_process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDir);
    // The OS streams the file to the child, so a large one cannot block us.
    process.setStandardInputFile(standardInputFile.isEmpty() ? QProcess::nullDevice() : standardInputFile);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->flags |= CREATE_NO_WINDOW;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_HIDE;
    });
#else
    // A group of its own, so that stopping it also stops what it started
    // (a script's children, an ImageMagick delegate).
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::setpgid(0, 0);
#ifdef Q_OS_LINUX
        // Killed with us even when we cannot say so (SIGKILL): nothing may
        // go on writing after the program has gone.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
#endif
    });
#endif
    process.start();
    m_started = process.waitForStarted(-1);
    if (m_started) {
        m_group = process.processId();
        lastwords::setChildGroup(long(m_group));
    }
}

HiddenRun::~HiddenRun()
{
    if (m_started && m_process->state() != QProcess::NotRunning)
        stop();
    if (m_started) {
        endGroup();
        lastwords::setChildGroup(0);
    }
}

void HiddenRun::endGroup()
{
#ifndef Q_OS_WIN
    // Whatever the helper left behind in its group (a child in the
    // background, one its killed parent left) goes with it, whether or not
    // the leader is still there: the group's number stays its own while any
    // member lives.
    if (m_group > 0)
        ::kill(-pid_t(m_group), SIGKILL);
#endif
    // Once empty, the number may name someone else's group.
    m_group = 0;
}

void HiddenRun::stop()
{
    QProcess &process = *m_process;
#ifndef Q_OS_WIN
    const pid_t group = pid_t(m_group);
    if (group > 0)
        ::kill(-group, SIGTERM);
#endif
    process.terminate();
    if (!process.waitForFinished(int(kGraceAfterStop.count()))) {
#ifndef Q_OS_WIN
        if (group > 0)
            ::kill(-group, SIGKILL);
#endif
        process.kill();
        process.waitForFinished(-1);
    }
    endGroup();
}

RunResult HiddenRun::wait(std::chrono::milliseconds timeLimit, Wait *wait)
{
    RunResult result;
    if (!m_started)
        return result;
    result.started = true;
    QProcess &process = *m_process;
    const QDeadlineTimer deadline =
        timeLimit.count() < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeLimit);
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            result.timedOut = true;
            stop();
            break;
        }
        const qint64 left = deadline.isForever() ? -1 : deadline.remainingTime();
        const int slice =
            wait ? int(left < 0 ? kPumpSliceMs : std::min<qint64>(left, kPumpSliceMs)) : int(left);
        if (process.waitForFinished(slice))
            break;
        if (wait) {
            wait->idle();
            if (wait->stopRequested()) {
                result.stopped = true;
                stop();
                break;
            }
        }
    }
    endGroup();
    lastwords::setChildGroup(0);
    result.exitedNormally =
        !result.timedOut && !result.stopped && process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    return result;
}

} // namespace hiddenprocess
