#include "app/CWallpaperApp.h"

#include "app/CWallpaperDlg.h"
#include "app/presenter.h"
#include "platform/inet.h"
#include "platform/profilestore.h"
#include "upload/UploadJob.h"

#include <QCoreApplication>

bool CWallpaperApp::InitInstance()
{
    QtPresenter presenter;
    CWallpaperDlg dlg(presenter, openSystemProfileStore());
    presenter.setParent(&dlg);

    // While an upload waits on the network the window keeps painting but
    // takes no input; the window itself refuses commands while busy.
    inet::setPumpHook([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    dlg.setUploadJob([](const QString &startDir, const QByteArray &uploadFileName, const QByteArray &number,
                        QByteArray &pictureTitle, qint32 carrier, qint32 phone, const QByteArray &version,
                        qint32 wallpaperType) {
        UploadJob(startDir, uploadFileName, number, pictureTitle, carrier, phone, version, wallpaperType, {});
    });

    dlg.DoModal();
    inet::setPumpHook({});
    return false;
}

int CWallpaperApp::ExitInstance()
{
    return 0;
}
