// Records every box and dialog the program would show and answers it at
// once, so widget tests never block on a modal loop.
#pragma once

#include "core/app/presenter.h"

#include <QList>
#include <QPair>

#include <functional>
#include <optional>

class RecordingPresenter : public Presenter
{
public:
    struct Status
    {
        int mode;
        QByteArray link;
        bool operator==(const Status &o) const { return mode == o.mode && link == o.link; }
    };

    QStringList boxes;                         // texts of both kinds of box, in order
    QList<QPair<QString, QString>> plainBoxes; // text, caption
    QList<QStringList> fileDialogs;            // the filters each dialog offered
    std::optional<QString> nextFile;           // answer to the next file dialog
    QList<Status> statusDialogs;
    QStringList statusNotes; // the note under each, empty where none
    QList<QUrl> openedUrls;
    int aboutBoxes = 0;
    QStringList questions;  // texts of the Yes/No boxes, in order
    bool answerYes = false; // the answer to each of them
    int recentUploadsDialogs = 0;
    QStringList stopQuestions;       // asked after a stop key, in order
    bool stopAnswer = true;          // to each of them
    std::function<void()> whenAsked; // runs while a stop question is open

    bool askToStop(const QString &text) override
    {
        stopQuestions << text;
        if (whenAsked)
            whenAsked();
        return stopAnswer;
    }

    void messageBox(const QString &text) override { boxes << text; }
    void plainBox(const QString &text, const QString &caption) override
    {
        boxes << text;
        plainBoxes.append({text, caption});
    }
    std::optional<QString> openFileName(const QStringList &filters) override
    {
        fileDialogs << filters;
        return nextFile;
    }
    void statusDialog(int mode, const QByteArray &link, const QString &note) override
    {
        statusDialogs.append({mode, link});
        statusNotes << note;
    }
    void openUrl(const QUrl &url) override { openedUrls << url; }
    void aboutBox() override { ++aboutBoxes; }
    bool askYesNo(const QString &text) override
    {
        questions << text;
        return answerYes;
    }
    void recentUploads(const UploadHistory &) override { ++recentUploadsDialogs; }
};
