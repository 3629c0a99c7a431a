#include "ui/app/QtPresenter.h"

#include "ui/app/CAboutDlg.h"
#include "ui/app/openfiledialog.h"
#include "ui/status/CStatusDialog.h"
#include "ui/status/RecentUploadsDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>

void QtPresenter::messageBox(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtPresenter::plainBox(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::optional<QString> QtPresenter::openFileName(const QStringList &filters)
{
    QFileDialog dialog(m_parent);
    setUpOpenDialog(dialog, filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void QtPresenter::statusDialog(int mode, const QByteArray &link, const QString &note)
{
    CStatusDialog dialog(m_parent, [this](const QUrl &url) { openUrl(url); });
    dialog.m_nMode = mode;
    if (mode == 1)
        dialog.m_pszLinkUrl = link;
    else
        dialog.m_pszSuccessUrl = link;
    dialog.m_note = note;
    dialog.DoModal();
}

void QtPresenter::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

namespace {

// The question follows an Esc; an impatient second one must not answer it.
class QuestionBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape)
            return;
        QMessageBox::keyPressEvent(event);
    }
};

} // namespace

bool QtPresenter::askToStop(const QString &text)
{
    QuestionBox box(QMessageBox::Question, QApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtPresenter::aboutBox()
{
    CAboutDlg about(m_parent);
    about.DoModal();
}

bool QtPresenter::askYesNo(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtPresenter::recentUploads(const UploadHistory &history)
{
    RecentUploadsDialog dialog(history, *this, m_parent);
    dialog.exec();
}
