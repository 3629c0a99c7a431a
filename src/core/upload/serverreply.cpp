#include "core/upload/serverreply.h"

#include "core/app/presenter.h"
#include "core/app/uploadhistory.h"
#include "core/upload/replygrammar.h"

#include <QUrl>

ReplyPieceHandler ServerReply::handler()
{
    return [this](QByteArrayView piece) { handlePiece(piece); };
}

void ServerReply::handlePiece(QByteArrayView piece)
{
    m_anyPieceSeen = true;
    for (const ReplyOutcome &outcome : outcomesForReplyPiece(piece)) {
        if (outcome.kind == ReplyOutcome::StatusDialog) {
            showStatus(outcome.mode, outcome.link);
        } else if (!m_addressOpened) {
            m_addressOpened = true;
            m_presenter.openUrl(QUrl::fromEncoded(outcome.link, QUrl::StrictMode));
        }
    }
}

void ServerReply::showStatus(int mode, const QByteArray &link)
{
    if (m_modesShown.contains(mode))
        return;
    m_modesShown.append(mode);
    QString note;
    if ((mode == 0 || mode == 1) && !link.isEmpty() && m_recordLink && !m_recordLink(link))
        note = QLatin1String(kLinkNotKeptText);
    m_presenter.statusDialog(mode, link, note);
}

void ServerReply::reportSendFailure()
{
    if (m_anyPieceSeen || m_failureReported)
        return;
    m_failureReported = true;
    showStatus(2, {});
}

void ServerReply::reportHttpStatus(int httpStatus)
{
    if (httpStatus < 300 || !m_modesShown.isEmpty() || m_addressOpened)
        return;
    showStatus(2, {});
}

bool ServerReply::namedFailure() const
{
    return m_modesShown.contains(2) && !m_modesShown.contains(0) && !m_modesShown.contains(1);
}
