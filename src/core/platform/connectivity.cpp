#include "core/platform/connectivity.h"

#ifdef Q_OS_WIN
#include "core/platform/winerror.h" // <windows.h>, lean and after Winsock 2
#include <wininet.h>
#endif

namespace connectivity {

bool isDisconnectedByUser()
{
#ifdef Q_OS_WIN
    DWORD state = 0;
    DWORD size = sizeof state;
    return InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &size)
           && (state & INTERNET_STATE_DISCONNECTED_BY_USER);
#else
    return false;
#endif
}

void goOnline(const QString &url, void *nativeParent)
{
#ifdef Q_OS_WIN
    QByteArray u = url.toLocal8Bit();
    InternetGoOnlineA(u.data(), static_cast<HWND>(nativeParent), 0);
#else
    Q_UNUSED(url);
    Q_UNUSED(nativeParent);
#endif
}

} // namespace connectivity
