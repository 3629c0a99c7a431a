// Carries out what the server's answer asks for: each reply piece goes
// through the reply grammar, and its outcomes are shown in order through the
// presenter (status dialogs run modally there, addresses go to the desktop).
// One upload shows each dialog mode, and opens an address, at most once: a
// long reply arrives in many pieces, and each would otherwise ask again.
#pragma once

#include "core/http/replyhandler.h"

#include <QList>

#include <functional>

class Presenter;

class ServerReply
{
public:
    explicit ServerReply(Presenter &presenter) : m_presenter(presenter) {}

    // The handler to give the poster; it refers to this object, which must
    // outlive the send.
    ReplyPieceHandler handler();

    // One piece, handled by itself as a complete reply.
    void handlePiece(QByteArrayView piece);

    // The send failed. When no reply piece arrived, the user has heard
    // nothing yet, so the failure is shown as the error dialog (once);
    // after a piece the server's own answer stands.
    void reportSendFailure();

    // The request ended with this HTTP status. A failure status (400 and up)
    // or a redirect (300 and up: never followed, as a POST redirected loses
    // the picture) whose reply asked for nothing is shown as the error
    // dialog (once); a success that asks for nothing stays silent, as the
    // server meant.
    void reportHttpStatus(int httpStatus);

    bool anyPieceSeen() const { return m_anyPieceSeen; }
    // The error dialog was shown and no dialog named success or a link.
    bool namedFailure() const;
    const QList<int> &modesShown() const { return m_modesShown; }

    // Told each link of a status dialog (modes 0 and 1) before it is shown,
    // so the link is kept even if the dialog never closes; false when it
    // could not be kept, which the dialog then says.
    void setLinkRecorder(std::function<bool(const QByteArray &link)> recorder)
    {
        m_recordLink = std::move(recorder);
    }

private:
    void showStatus(int mode, const QByteArray &link);

    Presenter &m_presenter;
    bool m_anyPieceSeen = false;
    bool m_failureReported = false;
    bool m_addressOpened = false;
    QList<int> m_modesShown;
    std::function<bool(const QByteArray &)> m_recordLink;
};
