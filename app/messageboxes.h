#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the main window goes through here, so tests can answer and count
// them instead of leaving a modal dialog nobody closes.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon,
                                             const QString &title, const QString &text,
                                             QMessageBox::StandardButtons buttons);
};
