#include "upload/serverreply.h"

#include "app/presenter.h"
#include "upload/replygrammar.h"

#include <QUrl>

ReplyPieceHandler ServerReply::handler()
{
    return [this](QByteArrayView piece) { handlePiece(piece); };
}

void ServerReply::handlePiece(QByteArrayView piece)
{
    m_anyPieceSeen = true;
    for (const ReplyOutcome &outcome : outcomesForReplyPiece(piece)) {
        if (outcome.kind == ReplyOutcome::OpenUrl)
            m_presenter.openUrl(QUrl::fromEncoded(outcome.link, QUrl::StrictMode));
        else
            m_presenter.statusDialog(outcome.mode, outcome.link);
    }
}

void ServerReply::reportSendFailure()
{
    if (m_anyPieceSeen || m_failureReported)
        return;
    m_failureReported = true;
    m_presenter.statusDialog(2, {});
}
