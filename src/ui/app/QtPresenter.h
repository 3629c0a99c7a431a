#pragma once

#include "core/app/presenter.h"

class QWidget;

// The real thing: QMessageBox, QFileDialog, the status dialog, the desktop.
class QtPresenter : public Presenter
{
public:
    // Boxes are owned by `parent` while they run; it may change later.
    explicit QtPresenter(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void messageBox(const QString &text) override;
    void plainBox(const QString &text, const QString &caption) override;
    std::optional<QString> openFileName(const QStringList &filters) override;
    void statusDialog(int mode, const QByteArray &link, const QString &note) override;
    void openUrl(const QUrl &url) override;
    void aboutBox() override;
    bool askYesNo(const QString &text) override;
    void recentUploads(const UploadHistory &history) override;
    bool askToStop(const QString &text) override;

private:
    QWidget *m_parent;
};
