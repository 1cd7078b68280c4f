#include "CueCardWidget.h"

#include "UiFont.h"

#include "base/MainLoop.h"
#include "core/CueCardContent.h"
#include "strings/LocalizationManager.h"

#include <QPainter>
#include <QTimer>

namespace tavilo {

namespace {
QColor white(double opacity)
{
    QColor c(Qt::white);
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}
} // namespace

CueCardWidget::CueCardWidget(
    const PrompterModel& model, const LocalizationManager& texts, const MainLoop& loop, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_texts(texts)
    , m_loop(loop)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_clock->start();
    auto redraw = [this](const auto&) { update(); };
    m_subscriptions += m_model.activeSectionIndex.observeChanges(redraw);
    m_subscriptions += m_model.cueShowingOverview.observeChanges(redraw);
    m_subscriptions += m_model.cueMaterialIndex.observeChanges(redraw);
    m_subscriptions += m_model.cueScript.observeChanges(redraw);
}

void CueCardWidget::setFontSize(double points)
{
    m_fontSize = points;
    update();
}

void CueCardWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_model.cueScript().sections.empty())
        paintHint(painter, QString::fromStdString(m_texts.text(LK::cueNoOutlineHint)));
    else if (m_model.cueShowingOverview())
        paintOverview(painter);
    else
        paintCard(painter);
}

void CueCardWidget::paintHint(QPainter& painter, const QString& text)
{
    painter.setFont(systemUiFont(14, QFont::Normal));
    painter.setPen(white(0.75));
    painter.drawText(rect().adjusted(14, 0, -14, 0), Qt::AlignCenter | Qt::TextWordWrap, text);
}

void CueCardWidget::paintCard(QPainter& painter)
{
    const auto card = cuecard::card(m_model, m_texts, m_loop.currentDate());
    if (!card)
        return;
    const QRect area = rect().adjusted(14, 0, -14, 0);
    int y = area.top();

    // Header: position, total timer, section timer.
    QFont small = systemUiFont(12, QFont::DemiBold);
    painter.setFont(small);
    painter.setPen(white(0.6));
    QString header = QString::fromStdString(card->header.position);
    if (card->header.totalTimer)
        header += QStringLiteral("  ") + QString::fromStdString(*card->header.totalTimer);
    painter.drawText(QRect(area.left(), y, area.width(), 16), Qt::AlignLeft | Qt::AlignVCenter, header);
    if (card->header.sectionTimer) {
        QFont timerFont = systemUiFont(12, card->header.overBudget ? QFont::Bold : QFont::Medium);
        painter.setFont(timerFont);
        painter.setPen(card->header.overBudget ? QColor(255, 69, 58) : white(0.6));
        painter.drawText(QRect(area.left(), y, area.width(), 16), Qt::AlignRight | Qt::AlignVCenter,
            QStringLiteral("⏱ ") + QString::fromStdString(*card->header.sectionTimer));
    }
    y += 20;

    painter.setFont(systemUiFont(m_fontSize + 6, QFont::Bold));
    painter.setPen(Qt::white);
    const int titleHeight = painter.fontMetrics().height();
    painter.drawText(QRect(area.left(), y, area.width(), titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
        painter.fontMetrics().elidedText(QString::fromStdString(card->title), Qt::ElideRight, area.width()));
    y += titleHeight + 4;
    painter.fillRect(QRect(area.left(), y, area.width(), 1), white(0.15));
    y += 6;

    // Materials from the scrolled one on, as many as fit above the footer.
    const int footerTop = area.bottom() - 24;
    if (card->materials.empty()) {
        painter.setFont(systemUiFont(13, QFont::Normal));
        painter.setPen(white(0.4));
        painter.drawText(QRect(area.left(), y, area.width(), 18), Qt::AlignLeft, QString::fromStdString(m_texts.text(LK::cueSectionNoMaterial)));
    } else {
        const auto first = static_cast<size_t>(std::clamp<int64_t>(m_model.cueMaterialIndex(), 0, static_cast<int64_t>(card->materials.size()) - 1));
        for (size_t i = first; i < card->materials.size() && y < footerTop; ++i) {
            const auto& material = card->materials[i];
            QFont font = systemUiFont(material.isOptional ? m_fontSize - 2 : m_fontSize,
                material.isOptional ? QFont::Normal : QFont::Medium);
            painter.setFont(font);
            const int lineHeight = painter.fontMetrics().height();
            painter.setPen(Qt::NoPen);
            painter.setBrush(white(material.isOptional ? 0.5 : 0.95));
            const double dot = material.isOptional ? 7 : 8;
            const QRectF dotRect(area.left(), y + 0.34 * m_fontSize, dot, dot);
            if (material.isOptional) {
                painter.setBrush(Qt::NoBrush);
                painter.setPen(QPen(white(0.5), 1));
            }
            painter.drawEllipse(dotRect);
            painter.setPen(material.isOptional ? white(0.55) : QColor(Qt::white));
            painter.drawText(QRect(area.left() + 16, y, area.width() - 16, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                painter.fontMetrics().elidedText(QString::fromStdString(material.text), Qt::ElideRight, area.width() - 16));
            y += lineHeight + 2;
        }
    }

    // Footer and progress.
    painter.setFont(systemUiFont(12, card->isLastPoint ? QFont::Medium : QFont::Normal));
    painter.setPen(white(card->isLastPoint ? 0.6 : 0.45));
    painter.drawText(QRect(area.left(), footerTop, area.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
        QString::fromStdString((card->isLastPoint ? "⚑ " : "↳ ") + card->footer));
    const int barTop = area.bottom() - 4;
    painter.setPen(Qt::NoPen);
    if (card->progress.isBar) {
        painter.setBrush(white(0.12));
        painter.drawRoundedRect(QRectF(area.left(), barTop, area.width(), 4), 2, 2);
        painter.setBrush(white(0.55));
        painter.drawRoundedRect(QRectF(area.left(), barTop, card->progress.barFillWidth(area.width()), 4), 2, 2);
    } else {
        double x = area.left();
        for (auto tone : card->progress.capsules) {
            const double width = tone == cuecard::CapsuleTone::current ? 16 : 6;
            painter.setBrush(white(tone == cuecard::CapsuleTone::current ? 0.9 : tone == cuecard::CapsuleTone::before ? 0.4 : 0.18));
            painter.drawRoundedRect(QRectF(x, barTop, width, 4), 2, 2);
            x += width + 4;
        }
    }
}

void CueCardWidget::paintOverview(QPainter& painter)
{
    const QRect area = rect().adjusted(14, 0, -14, 0);
    const auto rows = cuecard::overview(m_model, m_texts);
    int y = area.top();
    painter.setFont(systemUiFont(12, QFont::DemiBold));
    painter.setPen(white(0.6));
    painter.drawText(QRect(area.left(), y, area.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
        QString::fromStdString(m_texts.format(LK::cueOverviewTitle, { static_cast<int64_t>(rows.size()) })));
    y += 18;
    painter.setFont(systemUiFont(11, QFont::Normal));
    painter.setPen(white(0.4));
    painter.drawText(QRect(area.left(), y, area.width(), 14), Qt::AlignLeft | Qt::AlignVCenter,
        QString::fromStdString(m_texts.text(LK::cueOverviewHint)));
    y += 18;
    // Keep the current row in view.
    const int rowHeight = static_cast<int>(m_fontSize + 8);
    const int visible = std::max(1, (area.bottom() - y) / rowHeight);
    const int64_t current = m_model.clampedSectionIndex();
    const int64_t first = std::clamp<int64_t>(current - visible / 2, 0, std::max<int64_t>(0, static_cast<int64_t>(rows.size()) - visible));
    for (int64_t i = first; i < static_cast<int64_t>(rows.size()) && y + rowHeight <= area.bottom() + 2; ++i) {
        const auto& row = rows[static_cast<size_t>(i)];
        const bool isCurrent = row.tone == cuecard::CapsuleTone::current;
        if (isCurrent) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(white(0.14));
            painter.drawRoundedRect(QRect(area.left(), y, area.width(), rowHeight), 6, 6);
        }
        painter.setFont(roundedUiFont(m_fontSize - 4, QFont::DemiBold));
        painter.setPen(isCurrent ? QColor(Qt::white) : white(0.5));
        painter.drawText(QRect(area.left() + 8, y, 18, rowHeight), Qt::AlignRight | Qt::AlignVCenter, QString::number(row.number));
        painter.setFont(systemUiFont(m_fontSize - 2, isCurrent ? QFont::DemiBold : QFont::Normal));
        painter.setPen(isCurrent ? QColor(Qt::white) : white(row.tone == cuecard::CapsuleTone::before ? 0.4 : 0.78));
        painter.drawText(QRect(area.left() + 34, y, area.width() - 90, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
            QString::fromStdString(row.title));
        if (row.budget) {
            painter.setFont(systemUiFont(11, QFont::Normal));
            painter.setPen(white(0.4));
            painter.drawText(QRect(area.left(), y, area.width() - 8, rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                QString::fromStdString(*row.budget));
        }
        y += rowHeight;
    }
}

} // namespace tavilo
