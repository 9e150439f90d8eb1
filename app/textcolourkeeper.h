#pragma once

#include <QColor>
#include <QObject>

class QWidget;

// Keeps a text box's text in its given colour where that reads well on the box's background,
// and in a readable shade of it where it does not (a dark theme), also when the theme changes
// while the program runs. Owned by the box.
class TextColourKeeper : public QObject
{
    Q_OBJECT
public:
    static void keep(QWidget *box, const QColor &wanted);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TextColourKeeper(QWidget *box, const QColor &wanted);
    void apply();

    QWidget *m_box;
    QColor m_wanted;
};
