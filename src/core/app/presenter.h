// The one seam through which the program shows modal boxes and dialogs and
// hands addresses to the desktop. The window gets a presenter; tests give it
// one that records and answers instead of blocking. No widgets here: the
// reply handling and an upload without a window build on this alone.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class UploadHistory;

class Presenter
{
public:
    virtual ~Presenter() = default;

    // Warning icon, OK, the application's name as caption.
    virtual void messageBox(const QString &text) = 0;
    // No icon, OK, a caption of its own.
    virtual void plainBox(const QString &text, const QString &caption) = 0;
    // An Open dialog with the filters in order, the first preselected;
    // nullopt when the user cancels.
    virtual std::optional<QString> openFileName(const QStringList &filters) = 0;
    // The "Upload Status" dialog in the given mode, run modally; `note`,
    // when not empty, is one line under the link's code.
    virtual void statusDialog(int mode, const QByteArray &link, const QString &note) = 0;
    // Opens an address with the desktop's handler.
    virtual void openUrl(const QUrl &url) = 0;
    virtual void aboutBox() = 0;
    // A question icon, Yes and No (No preselected), the application's name
    // as caption; true for Yes.
    virtual bool askYesNo(const QString &text) = 0;
    // The "Recent Uploads" dialog over the given history, run modally.
    virtual void recentUploads(const UploadHistory &history) = 0;
    // Asked once Esc or the close button wanted a stop: Yes and No, Yes the
    // default (Enter), as the user just asked to stop; true for Yes.
    virtual bool askToStop(const QString &text) = 0;
};
