#include "textcolourkeeper.h"

#include "readablecolour.h"

#include <QEvent>
#include <QWidget>

TextColourKeeper::TextColourKeeper(QWidget *box, const QColor &wanted)
    : QObject(box)
    , m_box(box)
    , m_wanted(wanted)
{
    box->installEventFilter(this);
}

void TextColourKeeper::keep(QWidget *box, const QColor &wanted)
{
    auto *keeper = new TextColourKeeper(box, wanted);
    keeper->apply();
}

bool TextColourKeeper::eventFilter(QObject *watched, QEvent *event)
{
    // A new theme reaches the box as a palette change; setting the text colour below causes
    // one more, which finds the colour already right.
    if (watched == m_box && event->type() == QEvent::PaletteChange) {
        apply();
    }
    return QObject::eventFilter(watched, event);
}

void TextColourKeeper::apply()
{
    QPalette palette = m_box->palette();
    const QColor colour = ReadableColour::on(m_wanted, palette.color(QPalette::Base));
    if (palette.color(QPalette::Text) == colour && palette.color(QPalette::WindowText) == colour) {
        return;
    }
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::WindowText, colour);
    m_box->setPalette(palette);
}
