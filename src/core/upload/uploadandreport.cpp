#include "upload/uploadandreport.h"

#include "http/CFormPoster.h"
#include "upload/UploadJob.h"
#include "upload/serverreply.h"

using namespace pictovane;

HRESULT uploadAndReport(Presenter &presenter, const QString &startDir, const QByteArray &uploadFileName,
                        const QByteArray &number, QByteArray &pictureTitle, qint32 carrier, qint32 phone,
                        const QByteArray &version, qint32 wallpaperType, inet::Timeouts timeouts)
{
    ServerReply reply(presenter);
    PostStatus status;
    const HRESULT hr = UploadJob(startDir, uploadFileName, number, pictureTitle, carrier, phone, version,
                                 wallpaperType, reply.handler(), timeouts, &status);
    if (FAILED(hr))
        reply.reportSendFailure();
    else
        reply.reportHttpStatus(status.httpStatus);
    return hr;
}
