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
    device.write((terminal ? escapedForTerminal(line) : line).toLocal8Bit() + '\n');
}

bool isBidiControl(char16_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString escapedForTerminal(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == 0x1B)
            shown += QLatin1String("\\e");
        else if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            shown += QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0'));
        else if (isBidiControl(c))
            shown += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        else
            shown += qc;
    }
    return shown;
}

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

void ConsolePresenter::statusDialog(int mode, const QByteArray &link)
{
    m_modes.append(mode);
    writeLine(m_out, statusMessageText(mode, link), m_outIsTerminal);
    if (m_showsLinkCodes && (mode == 0 || mode == 1))
        m_out.write(linkCodeHalfBlocks(linkCodeFor(link)).toUtf8());
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
