#include "core/upload/uploadandreport.h"

#include "core/app/uploadhistory.h"
#include "core/http/CFormPoster.h"
#include "core/upload/UploadJob.h"
#include "core/upload/serverreply.h"

using namespace pictovane;

UploadReport uploadAndReport(Presenter &presenter, const UploadRequest &request, Wait *wait,
                             inet::Timeouts timeouts, const UploadHistory *history)
{
    ServerReply reply(presenter);
    if (history) {
        reply.setLinkRecorder(
            [history, title = QString::fromLocal8Bit(request.pictureTitle)](const QByteArray &link) {
                return history->add({QDateTime::currentDateTime(), title, link});
            });
    }
    PostStatus status;
    UploadReport report;
    report.hr = UploadJob(request, reply.handler(), timeouts, &status, wait);
    if (report.hr == Result::Cancelled && !reply.anyPieceSeen())
        report.stopped = true;
    else if (failed(report.hr))
        reply.reportSendFailure();
    else
        reply.reportHttpStatus(status.httpStatus);
    report.unanswered = failed(report.hr) && !reply.anyPieceSeen();
    report.failed = !report.stopped && (reply.namedFailure() || report.unanswered);
    report.modesShown = reply.modesShown();
    return report;
}
