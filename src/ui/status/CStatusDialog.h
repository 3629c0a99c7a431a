#pragma once

#include "status/messagelayout.h"

#include <QByteArray>
#include <QDialog>

#include <functional>
#include <memory>

class QUrl;

namespace Ui {
class CStatusDialog;
}

// The modal "Upload Status" dialog: one message chosen by the mode, and two
// help links to the support web server.
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

    void OnClickedSupportLink();
    void OnClickedFaqLink();

    // Set by the creator before the run: the mode, the link shown in mode 1
    // and the success link shown in mode 0 (empty when the reply gave none).
    int m_nMode = -1;
    QByteArray m_pszLinkUrl;
    QByteArray m_pszSuccessUrl;

private:
    void onLinkClicked(int id);
    // Gives the message the room it needs, from the template's geometry.
    void fitToMessage();

    std::unique_ptr<Ui::CStatusDialog> m_ui;
    UrlOpener m_openUrl;
    MessageTextLayout *m_messageLayout = nullptr;
    StatusGeometry m_template;
};
