// One Upload as the user lives it: the job runs, the server's answer is shown
// through the presenter, and a send that failed before the server said
// anything is shown as a failed upload instead of ending in silence. Each
// link the answer carries goes into `history` (when given) with the title.
#pragma once

#include "platform/inet.h"
#include "platform/winerror.h"

#include <QByteArray>
#include <QString>

class Presenter;
class UploadHistory;

pictovane::HRESULT uploadAndReport(Presenter &presenter, const QString &startDir,
                                   const QByteArray &uploadFileName, const QByteArray &number,
                                   QByteArray &pictureTitle, qint32 carrier, qint32 phone,
                                   const QByteArray &version, qint32 wallpaperType,
                                   inet::Timeouts timeouts = {}, const UploadHistory *history = nullptr);
