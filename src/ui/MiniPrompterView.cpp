#include "MiniPrompterView.h"

#include "UiFont.h"
#include "strings/LocalizationManager.h"

#include <QFontMetricsF>
#include <QHideEvent>
#include <QPainter>
#include <QShowEvent>

#include <algorithm>
#include <cmath>

namespace tavilo {

MiniPrompterView::MiniPrompterView(PrompterModel& model, MainLoop& loop, const LocalizationManager& localization,
    QWidget* parent)
    : QWidget(parent)
    , m_localization(localization)
    , m_prompter(model, loop)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    setFontSize(m_fontSize);

    m_subscriptions += m_localization.language().observe([this](AppLanguage) {
        m_hint = QString::fromStdString(m_localization.text(LK::scrollReady));
        update();
    });
    m_changes = m_prompter.changes().subscribe([this](MiniPrompterChange change) { changed(change); });
}

MiniPrompterView::~MiniPrompterView()
{
    m_changes.cancel();
    m_prompter.deactivate();
}

void MiniPrompterView::setFontSize(double points)
{
    m_fontSize = points;
    m_sentenceFont = roundedUiFont(points, QFont::DemiBold);
    m_hintFont = roundedUiFont(std::max(points * 0.7, 13.0), QFont::Normal);
    measure();
    update();
}

void MiniPrompterView::measure()
{
    m_sentence = QString::fromUtf8(m_prompter.currentSentence().data(),
        static_cast<qsizetype>(m_prompter.currentSentence().size()));
    m_textWidth = QFontMetricsF(m_sentenceFont).horizontalAdvance(m_sentence);
}

void MiniPrompterView::changed(MiniPrompterChange change)
{
    if (change == MiniPrompterChange::content) {
        measure();
        update();
        return;
    }
    // Between sentence changes only a long sentence's pan moves the picture.
    const MiniPan pan = m_prompter.pan(width(), m_textWidth);
    if (!pan.centred && std::abs(pan.x - m_drawnX) >= 0.01)
        update();
}

void MiniPrompterView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_prompter.activate();
}

void MiniPrompterView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A window that hides takes its children with it without hiding them: their state stays.
    if (isHidden())
        m_prompter.deactivate();
}

void MiniPrompterView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!m_prompter.hasSentences()) {
        painter.setFont(m_hintFont);
        painter.setPen(QColor::fromRgbF(1, 1, 1, 0.7));
        painter.drawText(rect(), Qt::AlignCenter, m_hint);
        return;
    }
    const MiniPan pan = m_prompter.pan(width(), m_textWidth);
    m_drawnX = pan.x;
    const QFontMetricsF metrics(m_sentenceFont);
    const double baseline = (height() - (metrics.ascent() + metrics.descent())) / 2 + metrics.ascent();
    painter.setFont(m_sentenceFont);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(pan.x, baseline), m_sentence);
}

} // namespace tavilo
