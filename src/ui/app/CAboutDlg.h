#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class CAboutDlg;
}

// "About Pictovane": icon, version, copyright and OK.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget *parent = nullptr);
    ~CAboutDlg() override;

    int DoModal() { return exec(); }

private:
    std::unique_ptr<Ui::CAboutDlg> m_ui;
};
