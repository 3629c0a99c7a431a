#include "ui/app/CAboutDlg.h"

#include "config.h"
#include "core/app/resources.h"
#include "ui_dialog100.h"

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::CAboutDlg>())
{
    m_ui->setupUi(this);
    m_ui->icon128->setPixmap(resources::loadIcon(128).pixmap(32, 32));
    m_ui->versionText->setText(
        QStringLiteral("Pictovane Version %1").arg(QString::fromLatin1(config::kVersion)));
    setFixedSize(sizeHint());
}

CAboutDlg::~CAboutDlg() = default;
