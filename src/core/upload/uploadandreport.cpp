#include "upload/uploadandreport.h"

#include "app/uploadhistory.h"
#include "http/CFormPoster.h"
#include "upload/UploadJob.h"
#include "upload/serverreply.h"

using namespace pictovane;

UploadReport uploadAndReport(Presenter &presenter, const QString &startDir, const QByteArray &uploadFileName,
                             const QByteArray &number, QByteArray &pictureTitle, qint32 carrier, qint32 phone,
                             const QByteArray &version, qint32 wallpaperType, Wait *wait,
                             inet::Timeouts timeouts, const UploadHistory *history)
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
    UploadReport report;
    report.hr = UploadJob(startDir, uploadFileName, number, pictureTitle, carrier, phone, version,
                          wallpaperType, reply.handler(), timeouts, &status, wait);
    if (report.hr == HRESULT_FROM_WIN32(ERROR_INTERNET_OPERATION_CANCELLED) && !reply.anyPieceSeen())
        report.stopped = true;
    else if (FAILED(report.hr))
        reply.reportSendFailure();
    else
        reply.reportHttpStatus(status.httpStatus);
    report.failed = !report.stopped && (reply.namedFailure() || (FAILED(report.hr) && !reply.anyPieceSeen()));
    report.modesShown = reply.modesShown();
    return report;
}
