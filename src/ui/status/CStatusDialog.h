#pragma once

#include <QByteArray>
#include <QDialog>

#include <functional>
#include <memory>

class QUrl;

namespace Ui {
class CStatusDialog;
}

// The modal "Upload Status" dialog: one message chosen by the mode, and two
// help links to the support web server. A link to get onto the phone also
// comes as a QR code with a "Copy link" button beside the message; Ctrl+C
// with nothing selected copies it too.
class CStatusDialog : public QDialog
{
    Q_OBJECT

public:
    // How a help page reaches the browser; tests pass a recorder.
    using UrlOpener = std::function<void(const QUrl &)>;

    // Without an opener the desktop's handler opens the help pages.
    explicit CStatusDialog(QWidget *parent = nullptr, UrlOpener openUrl = {});
    ~CStatusDialog() override;

    // Every run starts from the fields as they are then.
    int DoModal();
    void OnInitDialog();

    // Set by the creator before the run: the mode, the link shown in mode 1
    // and the success link shown in mode 0 (empty when the reply gave none).
    int m_nMode = -1;
    QByteArray m_pszLinkUrl;
    QByteArray m_pszSuccessUrl;
    // One line under the link's code, when not empty.
    QString m_note;

    void OnClickedSupportLink();
    void OnClickedFaqLink();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Ctrl+C: the selection, else the link; true when it copied.
    bool copyLinkFor(QKeyEvent *event);

    std::unique_ptr<Ui::CStatusDialog> m_ui;
    UrlOpener m_openUrl;
};
