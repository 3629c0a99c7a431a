#include "ui/preview/framingdialog.h"

#include "ui/preview/CImagePreviewStatic.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The room the choices and the buttons take below the phone's screen, and
// the preview's frame around it.
constexpr int kChrome = 115;
constexpr int kFrame = 4;

} // namespace

FramingDialog::FramingDialog(const QString &picturePath, const QSize &phoneScreen, const FrameView &view,
                             QPointF suggested, QWidget *parent) :
    QDialog(parent)
{
    setWindowTitle(QStringLiteral("Frame the picture"));
    setSizeGripEnabled(true);

    m_preview = new CImagePreviewStatic(this);
    m_preview->setObjectName(QStringLiteral("framingPreview"));
    m_preview->setFocusPolicy(Qt::StrongFocus);
    m_preview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_preview->setMinimumSize(120, 160);
    m_preview->InitGraphics();
    m_preview->setScreenSize(phoneScreen);
    m_preview->setToolTip(QStringLiteral("Drag the picture to move it, turn the wheel to zoom around the "
                                         "pointer, double-click or 0 to go back to the suggested framing."));

    auto *choices = new QGridLayout;
    m_framings = new QButtonGroup(this);
    const std::pair<Framing, QString> framings[] = {
        {Framing::Fill, QStringLiteral("&Fill the screen")},
        {Framing::Fit, QStringLiteral("Show the &whole picture")},
        {Framing::Stretch, QStringLiteral("&Stretch to the screen")},
        {Framing::Blur, QStringLiteral("Whole picture, &blurred behind")}};
    for (const auto &[framing, text] : framings) {
        auto *choice = new QRadioButton(text, this);
        choice->setChecked(framing == view.framing);
        m_framings->addButton(choice, int(framing));
        choices->addWidget(choice, int(framing) / 2, int(framing) % 2);
    }
    // A framing chosen starts where it starts from the main window's menu.
    connect(m_framings, &QButtonGroup::idClicked, this,
            [this](int id) { m_preview->setView(startingView(Framing(id), m_preview->suggestedCentre())); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *done = buttons->button(QDialogButtonBox::Ok);
    done->setText(QStringLiteral("&Done"));
    done->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_preview, 1);
    layout->addLayout(choices);
    layout->addWidget(buttons);

    if (const QScreen *s = parent ? parent->screen() : nullptr) {
        m_preview->setMaximumHeight(maxPhoneHeight(*s) + kFrame);
        resize(defaultSize(*s, phoneScreen));
        // On the main window's screen, whose height the sizes are taken from.
        setScreen(const_cast<QScreen *>(s));
    }
    // Read once the box has its size, so it is decoded for as many device
    // pixels as it draws.
    m_preview->LoadImageFile(picturePath);
    m_preview->setSuggestedCentre(suggested);
    m_preview->setView(view);
    m_preview->setFocus();
}

FrameView FramingDialog::view() const
{
    return m_preview->view();
}

int FramingDialog::maxPhoneHeight(const QScreen &screen)
{
    return screen.geometry().height() * 8 / 10;
}

QSize FramingDialog::defaultSize(const QScreen &screen, const QSize &phoneScreen)
{
    const int height = std::min(screen.geometry().height() * 6 / 10, maxPhoneHeight(screen));
    const int width =
        phoneScreen.isEmpty() ? height / 2 : height * phoneScreen.width() / phoneScreen.height();
    // The choices need their width even beside a narrow phone.
    return QSize(std::max(width + 2 * kFrame + 24, 460), height + kFrame + kChrome);
}
