#include "layoutbuilder.h"

#include "common/twips.h"
#include "tabcontrol.h"
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

int LayoutBuilder::stripHeightFor(const QString &tabControlName, const QList<ControlSpec> &table)
{
    int height = kDefaultStripPixels;
    const QString prefix = tabControlName + QLatin1Char(':');
    for (const ControlSpec &spec : table) {
        if (spec.parent.startsWith(prefix)) {
            height = qMin(height, twipsToPixels(spec.twips.top()));
        }
    }
    return height;
}

QHash<QString, QWidget *> LayoutBuilder::build(QWidget *clientArea, const QList<ControlSpec> &table)
{
    QHash<QString, QWidget *> built;
    for (const ControlSpec &spec : table) {
        QWidget *parent = spec.parent.isEmpty() ? clientArea : built.value(spec.parent);
        if (!parent) {
            qWarning("layout: %s names an unknown parent", qPrintable(spec.name));
            continue;
        }
        QWidget *widget = create(spec, parent, table);
        widget->setObjectName(spec.name);
        QRect geometry = twipsToPixels(spec.twips);
        if (spec.kind == ControlKind::DropDownList || spec.kind == ControlKind::EditableCombo) {
            // A combo box needs its font's height; a shorter one would cut its text.
            geometry.setHeight(qMax(geometry.height(), widget->minimumSizeHint().height()));
        } else if (spec.kind == ControlKind::OptionButton || spec.kind == ControlKind::CheckBox) {
            geometry.setHeight(qMax(geometry.height(), widget->sizeHint().height()));
        }
        widget->setGeometry(geometry);
        if (auto *tabs = qobject_cast<TabControl *>(widget)) {
            // A tab control on a page not shown yet gets no resize event until it is shown;
            // its pages must have their size now, for the controls placed on them.
            tabs->layoutPages();
        }
        widget->setEnabled(spec.enabled);
        if (spec.textColor.isValid()) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::Text, spec.textColor);
            palette.setColor(QPalette::WindowText, spec.textColor);
            widget->setPalette(palette);
        }
        if (!spec.fontFamily.isEmpty()) {
            QFont font = widget->font();
            font.setFamily(spec.fontFamily);
            font.setPointSizeF(spec.fontPointSize);
            font.setBold(spec.fontBold);
            widget->setFont(font);
        }
        widget->setVisible(spec.visible);
        built.insert(spec.name, widget);
        if (auto *tabs = qobject_cast<TabControl *>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                built.insert(spec.name + QLatin1Char(':') + QString::number(i), tabs->page(i));
            }
        }
    }
    return built;
}

QWidget *LayoutBuilder::create(const ControlSpec &spec, QWidget *parent,
                               const QList<ControlSpec> &table)
{
    switch (spec.kind) {
    case ControlKind::TabControl: {
        const int strip = stripHeightFor(spec.name, table);
        auto *tabs = new TabControl(spec.pageTitles, strip, parent);
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
        return new QGroupBox(spec.caption, parent);
    case ControlKind::PlainFrame:
        return new QGroupBox(parent);
    case ControlKind::BorderlessFrame:
        return new QWidget(parent);
    case ControlKind::Label: {
        auto *label = new QLabel(spec.caption, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::TextBox: {
        auto *box = new QPlainTextEdit(parent);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setPlainText(spec.caption);
        return box;
    }
    case ControlKind::Button:
        return new QPushButton(spec.caption, parent);
    case ControlKind::CheckBox:
        return new WrappedCheckBox(spec.caption, parent);
    case ControlKind::OptionButton: {
        // The layout's option buttons are narrow: a tighter gap beside the indicator keeps
        // their captions whole.
        auto *option = new QRadioButton(spec.caption, parent);
        option->setStyleSheet(QStringLiteral("QRadioButton { spacing: 2px; }"));
        return option;
    }
    case ControlKind::DropDownList: {
        auto *combo = new QComboBox(parent);
        combo->addItems(spec.items);
        return combo;
    }
    case ControlKind::EditableCombo: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(spec.items);
        combo->setEditText(spec.caption);
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
