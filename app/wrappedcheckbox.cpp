#include "wrappedcheckbox.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

WrappedCheckBox::WrappedCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
}

QRect WrappedCheckBox::textRect() const
{
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    const int spacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
    return rect().adjusted(indicator + spacing, 0, 0, 0);
}

QSize WrappedCheckBox::sizeHint() const
{
    const QRect bounds = fontMetrics().boundingRect(textRect(), Qt::TextWordWrap, text());
    return QSize(width(), qMax(bounds.height(), QCheckBox::sizeHint().height()));
}

void WrappedCheckBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const int indicatorHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    const int indicatorWidth = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    // The indicator beside the first line, the caption wrapped in the rest of the width.
    const QRect bounds = fontMetrics().boundingRect(textRect(), Qt::TextWordWrap, text());
    const int top = qMax(0, (height() - bounds.height()) / 2);
    option.rect = QRect(0, top + (fontMetrics().height() - indicatorHeight) / 2, indicatorWidth,
                        indicatorHeight);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, option);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect().adjusted(0, top, 0, 0), Qt::TextWordWrap | Qt::AlignLeft, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect()
                         .adjusted(0, top, 0, 0)
                         .intersected(bounds.translated(0, top).adjusted(-1, 0, 1, 0));
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappedCheckBox::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}
