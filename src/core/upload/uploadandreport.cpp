#include "upload/uploadandreport.h"

#include "app/uploadhistory.h"
#include "http/CFormPoster.h"
#include "upload/UploadJob.h"
#include "upload/serverreply.h"

using namespace pictovane;

HRESULT uploadAndReport(Presenter &presenter, const QString &startDir, const QByteArray &uploadFileName,
                        const QByteArray &number, QByteArray &pictureTitle, qint32 carrier, qint32 phone,
                        const QByteArray &version, qint32 wallpaperType, inet::Timeouts timeouts,
                        const UploadHistory *history)
{
    ServerReply reply(presenter);
    if (history) {
        // The title as the user knows it: the job cleans it for the server.
        reply.setLinkRecorder(
            [history, title = QString::fromLocal8Bit(pictureTitle)](const QByteArray &link) {
                history->add({QDateTime::currentDateTime(), title, link});
            });
    }
    PostStatus status;
    const HRESULT hr = UploadJob(startDir, uploadFileName, number, pictureTitle, carrier, phone, version,
                                 wallpaperType, reply.handler(), timeouts, &status);
    if (FAILED(hr))
        reply.reportSendFailure();
    else
        reply.reportHttpStatus(status.httpStatus);
    return hr;
}
