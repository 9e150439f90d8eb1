#include "layoutbuilder.h"

#include "common/twips.h"
#include "tabcontrol.h"
#include "textcolourkeeper.h"
#include "wrappedcheckbox.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

namespace {
constexpr int kDefaultStripPixels = 24;
} // namespace

int LayoutBuilder::stripHeightFor(const QString &tabControlName, const QList<ControlRow> &table)
{
    int height = kDefaultStripPixels;
    const QString prefix = tabControlName + QLatin1Char(':');
    for (const ControlRow &row : table) {
        if (row.parent.startsWith(prefix)) {
            height = qMin(height, twipsToPixels(row.twips.top()));
        }
    }
    return height;
}

void LayoutBuilder::fitToCaption(QWidget *button, const ControlRow &row)
{
    const QRect table = twipsToPixels(row.twips);
    const QSize needed = button->sizeHint();
    QRect fitted = table;
    if (needed.width() > table.width()) {
        fitted.setWidth(needed.width());
        if (button->parentWidget() && fitted.right() >= button->parentWidget()->width()) {
            fitted.moveRight(qMax(table.right(), fitted.width() - 1));
        }
    }
    fitted.setHeight(qMax(table.height(), needed.height()));
    button->setGeometry(fitted);
}

QHash<QString, QWidget *> LayoutBuilder::build(QWidget *clientArea, const QList<ControlRow> &table)
{
    QHash<QString, QWidget *> built;
    for (const ControlRow &row : table) {
        QWidget *parent = row.parent.isEmpty() ? clientArea : built.value(row.parent);
        if (!parent) {
            qWarning("layout: %s names an unknown parent", qPrintable(row.name));
            continue;
        }
        QWidget *widget = create(row, parent, table);
        widget->setObjectName(row.name);
        QRect geometry = twipsToPixels(row.twips);
        if (row.kind == ControlKind::DropDownList || row.kind == ControlKind::EditableCombo) {
            // A combo box needs its font's height; a shorter one would cut its text.
            geometry.setHeight(qMax(geometry.height(), widget->minimumSizeHint().height()));
        } else if (row.kind == ControlKind::OptionButton || row.kind == ControlKind::CheckBox) {
            geometry.setHeight(qMax(geometry.height(), widget->sizeHint().height()));
        } else if (row.singleLine) {
            // The caption's end stays in view: wider if it needs, never past its container.
            const int needed = qMax(geometry.width(), widget->sizeHint().width());
            geometry.setWidth(qMin(needed, parent->width() - geometry.x()));
        }
        widget->setGeometry(geometry);
        if (row.kind == ControlKind::Button) {
            fitToCaption(widget, row);
        }
        if (auto *tabs = qobject_cast<TabControl *>(widget)) {
            // A tab control on a page not shown yet gets no resize event until it is shown;
            // its pages must have their size now, for the controls placed on them.
            tabs->layoutPages();
        }
        widget->setEnabled(row.enabled);
        if (row.textColor.isValid()) {
            TextColourKeeper::keep(widget, row.textColor);
        }
        if (!row.fontFamily.isEmpty()) {
            QFont font = widget->font();
            font.setFamily(row.fontFamily);
            font.setPointSizeF(row.fontPointSize);
            font.setBold(row.fontBold);
            widget->setFont(font);
        }
        widget->setToolTip(row.toolTip);
        // A captioned control is named by its caption already; a tab control by its pages.
        const QString accessibleName = row.kind == ControlKind::TabControl
            ? row.pageTitles.join(QStringLiteral(", "))
            : row.accessibleName;
        if (!accessibleName.isEmpty()) {
            widget->setAccessibleName(accessibleName);
        }
        widget->setAccessibleDescription(row.accessibleDescription);
        widget->setVisible(row.visible);
        built.insert(row.name, widget);
        if (auto *tabs = qobject_cast<TabControl *>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                built.insert(row.name + QLatin1Char(':') + QString::number(i), tabs->page(i));
            }
        }
    }
    return built;
}

QWidget *LayoutBuilder::create(const ControlRow &row, QWidget *parent,
                               const QList<ControlRow> &table)
{
    switch (row.kind) {
    case ControlKind::TabControl: {
        const int strip = stripHeightFor(row.name, table);
        auto *tabs = new TabControl(row.pageTitles, strip, parent);
        if (strip < tabs->tabBar()->sizeHint().height()) {
            QFont font(QStringLiteral("Tahoma"));
            font.setPointSize(9);
            tabs->tabBar()->setFont(font);
            // A strip this low needs its own tab shape; the style's tabs would not fit.
            tabs->tabBar()->setStyleSheet(
                QStringLiteral("QTabBar::tab { height: %1px; padding: 0px 8px; margin-right: 1px;"
                               " border: 1px solid palette(mid); border-bottom: none;"
                               " border-top-left-radius: 3px; border-top-right-radius: 3px;"
                               " background: palette(button); }"
                               "QTabBar::tab:selected { background: palette(window); }")
                    .arg(strip - 2));
        }
        return tabs;
    }
    case ControlKind::Frame:
        return new QGroupBox(row.caption, parent);
    case ControlKind::PlainFrame:
        return new QGroupBox(parent);
    case ControlKind::BorderlessFrame:
        return new QWidget(parent);
    case ControlKind::Label: {
        auto *label = new QLabel(row.caption, parent);
        label->setWordWrap(!row.singleLine);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::TextBox: {
        auto *box = new QPlainTextEdit(parent);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // The boxes show what came; Tab moves on to the next control instead of typing.
        box->setTabChangesFocus(true);
        box->setPlainText(row.caption);
        return box;
    }
    case ControlKind::Button:
        return new QPushButton(row.caption, parent);
    case ControlKind::CheckBox:
        return new WrappedCheckBox(row.caption, parent);
    case ControlKind::OptionButton: {
        // The layout's option buttons are narrow: a tighter gap beside the indicator keeps
        // their captions whole.
        auto *option = new QRadioButton(row.caption, parent);
        option->setStyleSheet(QStringLiteral("QRadioButton { spacing: 2px; }"));
        return option;
    }
    case ControlKind::DropDownList: {
        auto *combo = new QComboBox(parent);
        combo->addItems(row.items);
        return combo;
    }
    case ControlKind::EditableCombo: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(row.items);
        combo->setEditText(row.caption);
        return combo;
    }
    case ControlKind::PictureBox: {
        auto *picture = new QFrame(parent);
        picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return picture;
    }
    }
    return new QWidget(parent);
}
