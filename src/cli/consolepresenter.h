// The presenter of an upload without a window: what a box would say goes to
// the error stream, each outcome the server's reply asks for becomes one
// line on the output stream, and nothing is ever opened. A stream that is a
// terminal gets the server's text with its control characters shown
// escaped; a pipe or a file gets the line byte for byte, as data.
#pragma once

#include "core/app/presenter.h"

#include <QList>

class QIODevice;

class ConsolePresenter : public Presenter
{
public:
    // Neither device is owned; both must stay open while this is used.
    ConsolePresenter(QIODevice &out, QIODevice &err) : m_out(out), m_err(err) {}

    void messageBox(const QString &text) override;
    void plainBox(const QString &text, const QString &caption) override;
    // There is nobody to ask.
    std::optional<QString> openFileName(const QStringList &filters) override;
    // The note goes to the error stream, after the line.
    void statusDialog(int mode, const QByteArray &link, const QString &note) override;
    // Printed, never opened: the desktop is not ours to use here.
    void openUrl(const QUrl &url) override;
    void aboutBox() override {}
    // Nobody to ask: the work goes on.
    bool askToStop(const QString &) override { return false; }
    bool askYesNo(const QString &) override { return false; }
    void recentUploads(const UploadHistory &) override {}

    // Whether a link's QR code follows its line, for a person to scan.
    void setShowsLinkCodes(bool shows) { m_showsLinkCodes = shows; }
    // Which of the two streams a person reads on a terminal.
    void setTerminals(bool out, bool err)
    {
        m_outIsTerminal = out;
        m_errIsTerminal = err;
    }

    // The status modes shown so far, in order.
    const QList<int> &modesShown() const { return m_modes; }

private:
    QIODevice &m_out;
    QIODevice &m_err;
    QList<int> m_modes;
    bool m_showsLinkCodes = false;
    bool m_outIsTerminal = false;
    bool m_errIsTerminal = false;
};

// A text as one line: every line break, with the blanks around it, becomes
// one space, and blanks at either end go.
QString asOneLine(const QString &text);

// The exit status of an upload without a window: 0 when the reply named
// success or a link for the phone (whatever else it said or what failed
// afterwards), 2 when the send failed, 1 otherwise (an error, only an
// address, or nothing at all).
int uploadExitStatus(const QList<int> &modesShown, bool sendFailed);
