#include "ui/app/CWallpaperApp.h"

#include "core/app/uploadhistory.h"
#include "core/platform/profilestore.h"
#include "core/upload/uploadandreport.h"
#include "ui/app/CWallpaperDlg.h"
#include "ui/app/QtPresenter.h"

int CWallpaperApp::run()
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
    return 0;
}
