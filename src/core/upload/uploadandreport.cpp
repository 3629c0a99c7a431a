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
    report.delivered = status.delivered;
    // A stop during the reply is a stop too, not a server that failed.
    if (report.hr == Result::Cancelled)
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

QString stoppedText(const UploadReport &report)
{
    return report.delivered ? QStringLiteral("The picture reached the server, but its answer was not waited "
                                             "for. Your phone may still get it.")
                            : QStringLiteral("Sending the picture was stopped.");
}
