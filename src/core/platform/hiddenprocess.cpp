#include "platform/hiddenprocess.h"

#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace hiddenprocess {

RunResult runAndWait(const QString &program, const QStringList &arguments, const QString &workingDir,
                     const QString &standardInputFile)
{
    RunResult result;
    if (program.isEmpty())
        return result;
    QProcess process;
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
#endif
    process.start();
    if (!process.waitForStarted(-1))
        return result;
    result.started = true;
    process.waitForFinished(-1);
    result.exitedNormally = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    return result;
}

} // namespace hiddenprocess
