#include "upload/consolepresenter.h"

#include "upload/linkcode.h"
#include "upload/statusmessage.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QUrl>

namespace {

void writeLine(QIODevice &device, const QString &text)
{
    // Local 8-bit both ways: a link's bytes come out as the server sent them.
    device.write(asOneLine(text).toLocal8Bit() + '\n');
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
    writeLine(m_err, text);
}

void ConsolePresenter::plainBox(const QString &text, const QString &)
{
    writeLine(m_err, text);
}

std::optional<QString> ConsolePresenter::openFileName(const QStringList &)
{
    return std::nullopt;
}

void ConsolePresenter::statusDialog(int mode, const QByteArray &link)
{
    m_modes.append(mode);
    writeLine(m_out, statusMessageText(mode, link));
    if (m_showsLinkCodes && (mode == 0 || mode == 1))
        m_out.write(linkCodeHalfBlocks(linkCodeFor(link)).toUtf8());
}

void ConsolePresenter::openUrl(const QUrl &url)
{
    writeLine(m_out, QString::fromUtf8(url.toEncoded()));
}

int uploadExitStatus(const QList<int> &modesShown, bool sendFailed)
{
    if (modesShown.contains(0) || modesShown.contains(1))
        return 0;
    return sendFailed ? 2 : 1;
}
