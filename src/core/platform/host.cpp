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

} // namespace host
