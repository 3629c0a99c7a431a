#include "ui/status/RecentUploadsDialog.h"

#include "core/app/presenter.h"
#include "core/app/uploadhistory.h"
#include "core/upload/statusmessage.h"
#include "ui/status/linkpanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr int kLinkRole = Qt::UserRole;
constexpr int kLinkColumn = 2;
constexpr std::pair<int, int> kListWidth{420, 640};

} // namespace

RecentUploadsDialog::RecentUploadsDialog(const UploadHistory &history, Presenter &presenter,
                                         QWidget *parent) :
    QDialog(parent),
    m_history(history),
    m_presenter(presenter),
    m_list(new QTreeWidget(this)),
    m_panel(new LinkPanel(this)),
    m_clear(new QPushButton(QStringLiteral("Clear"), this))
{
    setWindowTitle(QStringLiteral("Recent Uploads"));
    setObjectName(QStringLiteral("recentUploads"));
    // Its size follows the list; there is nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    m_list->setObjectName(QStringLiteral("uploads"));
    m_list->setAccessibleName(QStringLiteral("Recent uploads"));
    // A link cut at its end reads as another valid one (".../w/1050" as
    // ".../w/105"); elided in the middle it shows it is not whole.
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Title"), QStringLiteral("Link")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->installEventFilter(this);
    m_clear->setObjectName(QStringLiteral("clear"));
    m_clear->setAutoDefault(false);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);

    auto *top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addWidget(m_panel);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_clear);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::currentItemChanged, this, &RecentUploadsDialog::showChosen);
    connect(m_clear, &QPushButton::clicked, this, &RecentUploadsDialog::OnClear);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    reload();
}

void RecentUploadsDialog::reload()
{
    m_list->clear();
    const QLocale locale;
    for (const UploadRecord &record : m_history.entries()) {
        const QString link = escapedForDisplay(statusLinkText(record.link));
        auto *item =
            new QTreeWidgetItem(m_list, {locale.toString(record.when.toLocalTime(), QLocale::ShortFormat),
                                         escapedForDisplay(record.title), link});
        item->setData(0, kLinkRole, record.link);
        item->setToolTip(kLinkColumn, link);
    }
    // Wide enough for whole links, the scroll bar a long list brings
    // included, up to a size that still fits a laptop. The links take what
    // is left, so a longer one is elided rather than scrolled out of view.
    int width = 2 * m_list->frameWidth() + m_list->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < kLinkColumn; ++column) {
        m_list->resizeColumnToContents(column);
        width += m_list->columnWidth(column);
    }
    // The links' column is never given a width of its own: it stretches
    // over what is left.
    const int margins = 2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1);
    int links = m_list->header()->sectionSizeHint(kLinkColumn);
    for (int row = 0; row < m_list->topLevelItemCount(); ++row)
        links = std::max(links,
                         m_list->fontMetrics().horizontalAdvance(m_list->topLevelItem(row)->text(kLinkColumn))
                             + margins);
    width += links;
    m_list->setMinimumWidth(std::clamp(width, kListWidth.first, kListWidth.second));
    m_clear->setEnabled(m_list->topLevelItemCount() > 0);
    // The newest is the one the user most likely came for.
    m_list->setCurrentItem(m_list->topLevelItem(0));
    showChosen();
}

void RecentUploadsDialog::showChosen()
{
    const QTreeWidgetItem *item = m_list->currentItem();
    m_panel->setLink(item ? item->data(0, kLinkRole).toByteArray() : QByteArray());
}

void RecentUploadsDialog::OnClear()
{
    if (!m_presenter.askYesNo(QStringLiteral("Clear the list of recent uploads?")))
        return;
    m_history.clear();
    reload();
}

bool RecentUploadsDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The list would copy only the date of the current row.
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy) && !m_panel->link().isEmpty()) {
        m_panel->copyLink();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
