#include "core/upload/replygrammar.h"

#include <QDebug>
#include <QUrl>

namespace {

// White space as the C library's isspace sees it in the "C" locale.
bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

QByteArrayView trimmedLeft(QByteArrayView text)
{
    while (!text.isEmpty() && isCSpace(text.front()))
        text = text.sliced(1);
    return text;
}

QByteArrayView trimmedRight(QByteArrayView text)
{
    while (!text.isEmpty() && isCSpace(text.back()))
        text.chop(1);
    return text;
}

// The first two tokens of a "*"-separated text, the way two strtok calls take
// them. firstEnd is where the first call ends the text (its delimiter is the
// one strtok overwrites); the text is left whole when no delimiter follows.
struct TwoTokens
{
    qsizetype firstEnd;
    QByteArrayView second; // empty when there is no second token
};

qsizetype skipStars(QByteArrayView text, qsizetype from)
{
    while (from < text.size() && text.at(from) == '*')
        ++from;
    return from;
}

TwoTokens firstTwoTokens(QByteArrayView text)
{
    const qsizetype start = skipStars(text, 0);
    if (start == text.size())
        return {text.size(), {}};
    const qsizetype end = text.indexOf('*', start);
    if (end < 0)
        return {text.size(), {}};
    const qsizetype next = skipStars(text, end + 1);
    if (next == text.size())
        return {end, {}};
    const qsizetype nextEnd = text.indexOf('*', next);
    return {end, text.sliced(next, (nextEnd < 0 ? text.size() : nextEnd) - next)};
}

} // namespace

bool isOpenableWebAddress(QByteArrayView text)
{
    const QByteArray address = trimmedRight(trimmedLeft(text)).toByteArray();
    const QByteArray lower = address.toLower();
    if (!lower.startsWith("http://") && !lower.startsWith("https://"))
        return false;
    // Strict parsing refuses spaces, control bytes and anything else that
    // would make the desktop guess what was meant.
    const QUrl url = QUrl::fromEncoded(address, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty()
           && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

QList<ReplyOutcome> outcomesForReplyPiece(QByteArrayView piece)
{
    // The piece is taken as a C string, so anything after a NUL is not read.
    const qsizetype nul = piece.indexOf('\0');
    QByteArrayView text = trimmedLeft(nul < 0 ? piece : piece.first(nul));

    QList<ReplyOutcome> outcomes;
    if (text.contains("popup")) {
        const TwoTokens tokens = firstTwoTokens(text);
        if (!tokens.second.isEmpty())
            outcomes << ReplyOutcome::status(1, tokens.second.toByteArray());
        text = text.first(tokens.firstEnd);
    }
    if (text.contains("success")) {
        outcomes << ReplyOutcome::status(0, firstTwoTokens(text).second.toByteArray());
    } else if (text.contains("error")) {
        outcomes << ReplyOutcome::status(2);
    } else if (text.contains("http")) {
        if (isOpenableWebAddress(text))
            outcomes << ReplyOutcome::open(trimmedRight(text).toByteArray());
    }
    return outcomes;
}

QDebug operator<<(QDebug debug, const ReplyOutcome &outcome)
{
    QDebugStateSaver saver(debug);
    if (outcome.kind == ReplyOutcome::OpenUrl)
        debug.nospace() << "OpenUrl(" << outcome.link << ')';
    else
        debug.nospace() << "StatusDialog(" << outcome.mode << ", " << outcome.link << ')';
    return debug;
}
