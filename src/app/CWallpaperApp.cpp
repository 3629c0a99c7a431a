#include "app/CWallpaperApp.h"

#include "app/CWallpaperDlg.h"
#include "app/presenter.h"
#include "platform/inet.h"
#include "platform/profilestore.h"
#include "upload/uploadandreport.h"

#include <QCoreApplication>

bool CWallpaperApp::InitInstance()
{
    QtPresenter presenter;
    CWallpaperDlg dlg(presenter, openSystemProfileStore());
    presenter.setParent(&dlg);

    // While an upload waits on the network the window keeps painting but
    // takes no input; the window itself refuses commands while busy.
    inet::setPumpHook([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    dlg.setUploadJob([&presenter](auto &&...inputs) {
        uploadAndReport(presenter, std::forward<decltype(inputs)>(inputs)...);
    });

    dlg.DoModal();
    inet::setPumpHook({});
    return false;
}

int CWallpaperApp::ExitInstance()
{
    return 0;
}
