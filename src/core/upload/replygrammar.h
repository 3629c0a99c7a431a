// What one piece of the server's answer asks the user to see. Pure: no
// widgets, no I/O, so every reply can be tried without a window.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMetaType>

class QDebug;

struct ReplyOutcome
{
    enum Kind { StatusDialog, OpenUrl };

    Kind kind = StatusDialog;
    int mode = 0;    // status dialog mode (0 success, 1 link to type, 2 error); 0 for OpenUrl
    QByteArray link; // dialog link (empty when there is none) or the address to open

    static ReplyOutcome status(int mode, QByteArray link = {})
    {
        return {StatusDialog, mode, std::move(link)};
    }
    static ReplyOutcome open(QByteArray url) { return {OpenUrl, 0, std::move(url)}; }

    bool operator==(const ReplyOutcome &o) const
    {
        return kind == o.kind && mode == o.mode && link == o.link;
    }
    bool operator!=(const ReplyOutcome &o) const { return !(*this == o); }
};
Q_DECLARE_METATYPE(ReplyOutcome)

QDebug operator<<(QDebug debug, const ReplyOutcome &outcome);

// The outcomes one reply piece asks for, in the order they are to be shown.
//
// The piece is read as text: it ends at its first NUL byte, and leading white
// space (space, \t, \n, \v, \f, \r) is dropped. Keywords are matched byte-wise
// and case-sensitively anywhere in the text:
//  - "popup": the second "*"-separated token is a link to type into the
//    phone (mode 1); the tests below then see only the text up to the end of
//    its first token. Without a second token nothing is shown for it: a
//    dialog asking the user to type an address it does not give helps no one.
//  - "success": the text is split afresh; mode 0 with its second token, if any.
//  - otherwise "error": mode 2.
//  - otherwise "http": the whole text is opened, but only when it is a
//    well-formed http:// or https:// address with a host once trailing white
//    space is dropped too; a local path, another scheme or text that merely
//    mentions http opens nothing.
// Tokens follow strtok: leading "*" are skipped and runs of "*" separate.
QList<ReplyOutcome> outcomesForReplyPiece(QByteArrayView piece);

// True for the one kind of text the reply may hand to the desktop.
bool isOpenableWebAddress(QByteArrayView text);
