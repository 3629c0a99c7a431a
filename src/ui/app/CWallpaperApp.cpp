#include "app/CWallpaperApp.h"

#include "app/CWallpaperDlg.h"
#include "app/QtPresenter.h"
#include "app/uploadhistory.h"
#include "platform/profilestore.h"
#include "upload/uploadandreport.h"

bool CWallpaperApp::InitInstance()
{
    QtPresenter presenter;
    CWallpaperDlg dlg(presenter, openSystemProfileStore());
    presenter.setParent(&dlg);
    const UploadHistory history(UploadHistory::standardFilePath());
    dlg.setUploadHistory(&history);
    dlg.setUploadJob([&presenter, &history](auto &&...inputs) {
        return uploadAndReport(presenter, std::forward<decltype(inputs)>(inputs)..., {}, &history);
    });
    dlg.setStartPicture(m_startPicture);
    if (m_startFraming)
        dlg.setStartFraming(*m_startFraming);

    dlg.DoModal();
    return false;
}

int CWallpaperApp::ExitInstance()
{
    return 0;
}
