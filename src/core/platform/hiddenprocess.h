// Starting a helper program the way the converter is started: hidden, with
// its own argument list, waited for to the end or to a time limit.
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class QProcess;
class Wait;

namespace hiddenprocess {

// How a run ended.
struct RunResult
{
    bool started = false;
    // Ended by itself rather than by a signal or a crash.
    bool exitedNormally = false;
    int exitCode = -1;
    // Still running at its time limit, so it was ended.
    bool timedOut = false;
    // Ended because the caller's Wait asked to stop.
    bool stopped = false;

    // Started, ended by itself in time and reported success.
    bool succeeded() const { return started && exitedNormally && exitCode == 0 && !timedOut && !stopped; }
};

// How long a stopped helper gets to tidy up (its temporary files) before it
// is killed.
constexpr std::chrono::milliseconds kGraceAfterStop{1000};

// One helper program, started hidden when constructed and not waited for
// until wait() is called, so the caller can work meanwhile.
class HiddenRun
{
public:
    // Starts `program` with `arguments` (handed over as a list, never as one
    // command text) in `workingDir`, with no window. Its standard input is
    // the file `standardInputFile` (nothing when empty; a file that cannot be
    // opened means it does not start); its output goes nowhere.
    HiddenRun(const QString &program, const QStringList &arguments, const QString &workingDir,
              const QString &standardInputFile = QString());
    // Ends the helper if it is still running.
    ~HiddenRun();
    HiddenRun(const HiddenRun &) = delete;
    HiddenRun &operator=(const HiddenRun &) = delete;

    bool started() const { return m_started; }
    // Null when it never started. For a caller that hears of the end from
    // the process's own signals, in its event loop, and only then calls
    // wait(), which returns at once.
    QProcess *process() const { return m_started ? m_process.get() : nullptr; }

    // Waits until the helper ends, coming back to `wait` (when given) every
    // few milliseconds. Once `timeLimit` has passed (negative: none), or
    // once `wait` asks to stop, it is stopped, with everything it started,
    // and killed if it does not end at once. However it ended, whatever it
    // started that is still running is then killed.
    RunResult wait(std::chrono::milliseconds timeLimit, Wait *wait = nullptr);

private:
    void stop();
    // Kills what is left of the helper's process group.
    void endGroup();

    std::unique_ptr<QProcess> m_process;
    bool m_started = false;
    qint64 m_group = 0;
};

} // namespace hiddenprocess
