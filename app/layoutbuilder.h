#pragma once

#include "mainwindowlayout.h"

#include <QHash>
#include <QRect>
#include <QString>

class QWidget;

// Builds the controls of a layout table on a client-area widget, parents before children,
// and returns every control (and every tab page, as "<tab control>:<index>") by name.
// Each control's objectName() is its given name.
class LayoutBuilder
{
public:
    static QHash<QString, QWidget *> build(QWidget *clientArea, const QList<ControlRow> &table);

    // The height of a tab control's strip: as tall as a tab needs, but never over the first
    // control on any of its pages.
    static int stripHeightFor(const QString &tabControlName, const QList<ControlRow> &table);

    // Gives a button built from `row` the table's rectangle, grown to what its caption needs,
    // so that a larger font never cuts the caption; a button at its parent's right edge grows
    // to the left. Called again after a caption changes.
    static void fitToCaption(QWidget *button, const ControlRow &row);

private:
    static QWidget *create(const ControlRow &row, QWidget *parent, const QList<ControlRow> &table);
};
