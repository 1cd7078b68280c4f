#include "NotchPanel.h"

#include "StartupTrace.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace tavilo {

NotchPanel::NotchPanel(PrompterModel& model)
    : QWidget(nullptr,
          Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
              | Qt::X11BypassWindowManagerHint)
    , m_model(model)
{
    // Bypassing the window manager keeps the panel above the desktop's top bar and on every
    // virtual desktop; it also means no window decoration and no focus stealing.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Tavilo"));

    m_subscriptions += m_model.cueScript.observe([this](const CueScript& outline) {
        m_text = QString::fromStdString(outline.spokenOnly);
        update();
    });
    m_subscriptions += m_model.fontSize.observeChanges([this](double) { update(); });
    auto replace = [this](double) { place(); };
    m_subscriptions += m_model.overlayWidth.observeChanges(replace);
    m_subscriptions += m_model.overlayHeight.observeChanges(replace);
}

void NotchPanel::place()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1280, 800);
    const int width = static_cast<int>(std::lround(m_model.overlayWidth()));
    const int height = static_cast<int>(std::lround(m_model.overlayHeight()));
    setGeometry(area.x() + (area.width() - width) / 2, area.y(), width, height);
}

void NotchPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(m_model.fontSize());
    // Points on the panel are logical pixels, as everywhere else in the prompter's geometry.
    font.setPixelSize(static_cast<int>(std::lround(m_model.fontSize())));
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QRect textArea = rect().adjusted(24, 16, -24, -8);
    painter.drawText(textArea, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_text);
    if (!m_reportedFirstPaint) {
        m_reportedFirstPaint = true;
        StartupTrace::firstPanelFramePainted();
    }
}

} // namespace tavilo
