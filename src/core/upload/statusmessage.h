// The words of the "Upload Status" outcomes, shared by the dialog and by the
// upload without a window, so both say exactly the same.
#pragma once

#include <QByteArray>
#include <QString>

// A link from the server, shown as the local 8-bit text it was sent as.
QString statusLinkText(const QByteArray &link);

// The message for a mode (0 success, 1 link to type into the phone, 2
// failure); empty for a mode that has none. Links of any length are kept
// whole.
QString statusMessageText(int mode, const QByteArray &link);
