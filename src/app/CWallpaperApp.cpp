#include "app/CWallpaperApp.h"

#include "app/CWallpaperDlg.h"
#include "app/presenter.h"
#include "platform/profilestore.h"

bool CWallpaperApp::InitInstance()
{
    QtPresenter presenter;
    CWallpaperDlg dlg(presenter, openSystemProfileStore());
    presenter.setParent(&dlg);
    dlg.DoModal();
    return false;
}

int CWallpaperApp::ExitInstance()
{
    return 0;
}
