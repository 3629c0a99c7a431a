#include "platform/host.h"

#include <QtGlobal>

namespace host {

bool isWindows()
{
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}

bool fileDialogFiltersIgnoreCase()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    return false;
#endif
}

} // namespace host
