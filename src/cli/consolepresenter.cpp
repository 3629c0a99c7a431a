#include "cli/consolepresenter.h"

#include "core/upload/linkcode.h"
#include "core/upload/statusmessage.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QUrl>

namespace {

void writeLine(QIODevice &device, const QString &text, bool terminal)
{
    // Local 8-bit both ways: a link's bytes come out as the server sent them.
    const QString line = asOneLine(text);
    device.write((terminal ? escapedForDisplay(line) : line).toLocal8Bit() + '\n');
}

} // namespace

QString asOneLine(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("[ \\t]*[\\r\\n]+[ \\t\\r\\n]*"));
    QString line = text;
    line.replace(lineBreak, QStringLiteral(" "));
    return line.trimmed();
}

void ConsolePresenter::messageBox(const QString &text)
{
    writeLine(m_err, text, m_errIsTerminal);
}

void ConsolePresenter::plainBox(const QString &text, const QString &)
{
    writeLine(m_err, text, m_errIsTerminal);
}

std::optional<QString> ConsolePresenter::openFileName(const QStringList &)
{
    return std::nullopt;
}

void ConsolePresenter::statusDialog(int mode, const QByteArray &link, const QString &note)
{
    m_modes.append(mode);
    writeLine(m_out, statusMessageText(mode, link), m_outIsTerminal);
    if (m_showsLinkCodes && (mode == 0 || mode == 1))
        m_out.write(linkCodeHalfBlocks(linkCodeFor(link)).toUtf8());
    if (!note.isEmpty())
        writeLine(m_err, note, m_errIsTerminal);
}

void ConsolePresenter::openUrl(const QUrl &url)
{
    writeLine(m_out, QString::fromUtf8(url.toEncoded()), m_outIsTerminal);
}

int uploadExitStatus(const QList<int> &modesShown, bool sendFailed)
{
    if (modesShown.contains(0) || modesShown.contains(1))
        return 0;
    return sendFailed ? 2 : 1;
}
