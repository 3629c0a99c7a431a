#include "platform/hiddenprocess.h"

#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace hiddenprocess {

bool hostIsWindows()
{
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}

bool runAndWait(const QString &program, const QStringList &arguments, const QString &workingDir)
{
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDir);
    process.setStandardInputFile(QProcess::nullDevice());
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
        return false;
    process.waitForFinished(-1);
    return true;
}

} // namespace hiddenprocess
