#include "platform/filedialogs.h"

#include <QtGlobal>

namespace filedialogs {

bool nativeFiltersIgnoreCase()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    return false;
#endif
}

} // namespace filedialogs
