#pragma once

#include <QCheckBox>

// A check box whose caption wraps onto further lines within its width, as the captions on
// the "SYSTEM" page need; its text() stays the caption as given.
class WrappedCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit WrappedCheckBox(const QString &text, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;

private:
    QRect textRect() const;
};
