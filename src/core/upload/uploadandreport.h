// One Upload as the user lives it: the job runs, the server's answer is shown
// through the presenter, and a send that failed before the server said
// anything is shown as a failed upload instead of ending in silence. A stop
// the user asked for through the Wait is no failure: nothing is shown for it
// here, the caller tells the user (stoppedText says what).
// Each link the answer carries goes into `history` (when given) with the
// title.
#pragma once

#include "core/platform/inet.h"
#include "core/platform/winerror.h"
#include "core/upload/UploadJob.h"

#include <QByteArray>
#include <QList>
#include <QString>

class Presenter;
class UploadHistory;
class Wait;

struct UploadReport
{
    pictovane::Result hr = pictovane::Result::Ok; // of the send
    // The send failed before any of the server's answer came.
    bool unanswered = false;
    // Stopped through the Wait before the server's answer ended.
    bool stopped = false;
    // The server acknowledged the whole picture: a stop came too late to
    // keep it from the phone.
    bool delivered = false;
    // Not sent, or the reply named an error (or meant one by its status).
    bool failed = false;
    // The status dialog modes shown, in order.
    QList<int> modesShown;
};

// What a stop did: kept the picture from the server, or only ended the wait
// for its answer.
QString stoppedText(const UploadReport &report);

UploadReport uploadAndReport(Presenter &presenter, const UploadRequest &request, Wait *wait = nullptr,
                             inet::Timeouts timeouts = {}, const UploadHistory *history = nullptr);
