// "Recent Uploads": the links of earlier uploads, newest first, each with
// its QR code and "Copy link" when chosen; "Clear" empties the list once the
// user has said yes.
#pragma once

#include <QDialog>

class LinkPanel;
class Presenter;
class QPushButton;
class QTreeWidget;
class UploadHistory;

class RecentUploadsDialog : public QDialog
{
    Q_OBJECT

public:
    // The question before clearing goes through the presenter.
    RecentUploadsDialog(const UploadHistory &history, Presenter &presenter, QWidget *parent = nullptr);

    void OnClear();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reload();
    void showChosen();

    const UploadHistory &m_history;
    Presenter &m_presenter;
    QTreeWidget *m_list;
    LinkPanel *m_panel;
    QPushButton *m_clear;
};
