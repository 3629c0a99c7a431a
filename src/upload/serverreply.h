// Carries out what the server's answer asks for: each reply piece goes
// through the reply grammar, and its outcomes are shown in order through the
// presenter (status dialogs run modally there, addresses go to the desktop).
#pragma once

#include "http/replyhandler.h"

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

    bool anyPieceSeen() const { return m_anyPieceSeen; }

private:
    Presenter &m_presenter;
    bool m_anyPieceSeen = false;
    bool m_failureReported = false;
};
