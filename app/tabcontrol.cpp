#include "tabcontrol.h"

#include <QApplication>
#include <QPainter>
#include <QShortcut>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

TabControl::TabControl(const QStringList &pageTitles, int stripHeightPixels, QWidget *parent)
    : QWidget(parent)
    , m_stripHeight(stripHeightPixels)
{
    for (int i = 0; i < pageTitles.size(); ++i) {
        auto *page = new QWidget(this);
        page->setObjectName(QStringLiteral("page%1").arg(i));
        page->setVisible(false);
        page->setAccessibleName(pageTitles.at(i));
        m_pages.append(page);
    }
    m_bar = new QTabBar(this);
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setUsesScrollButtons(false);
    // Some styles shorten a caption that does not fit; every caption here must stay whole.
    m_bar->setElideMode(Qt::ElideNone);
    m_bar->setFocusPolicy(Qt::TabFocus);
    for (const QString &title : pageTitles) {
        m_bar->addTab(title);
    }
    connect(m_bar, &QTabBar::currentChanged, this, &TabControl::showPage);
    showPage(0);
}

int TabControl::currentIndex() const
{
    return m_bar->currentIndex();
}

void TabControl::setCurrentIndex(int index)
{
    m_bar->setCurrentIndex(index);
}

void TabControl::stepPage(int step)
{
    if (count() == 0) {
        return;
    }
    setCurrentIndex((currentIndex() + step + count()) % count());
    m_bar->setFocus(Qt::ShortcutFocusReason);
}

void TabControl::switchPagesByKeyboard(QWidget *window)
{
    const auto enclosing = [](QWidget *widget) -> TabControl * {
        for (; widget; widget = widget->parentWidget()) {
            if (auto *tabs = qobject_cast<TabControl *>(widget)) {
                return tabs;
            }
        }
        return nullptr;
    };
    const auto target = [window, enclosing]() -> TabControl * {
        TabControl *focused = enclosing(QApplication::focusWidget());
        if (focused && window->isAncestorOf(focused)) {
            return focused;
        }
        for (TabControl *tabs : window->findChildren<TabControl *>()) {
            if (!enclosing(tabs->parentWidget())) {
                return tabs;
            }
        }
        return nullptr;
    };
    const struct
    {
        QKeySequence keys;
        int step;
    } bindings[] = {
        { QKeySequence(Qt::CTRL | Qt::Key_Tab), 1 },
        { QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1 },
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1 },
        { QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1 },
    };
    for (const auto &binding : bindings) {
        auto *shortcut = new QShortcut(binding.keys, window);
        QObject::connect(shortcut, &QShortcut::activated, window, [target, step = binding.step] {
            if (TabControl *tabs = target()) {
                tabs->stepPage(step);
            }
        });
    }
}

void TabControl::showPage(int index)
{
    for (int i = 0; i < m_pages.size(); ++i) {
        m_pages.at(i)->setVisible(i == index);
    }
    m_bar->raise();
}

void TabControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPages();
}

void TabControl::layoutPages()
{
    for (QWidget *page : std::as_const(m_pages)) {
        page->setGeometry(rect());
    }
    const int barWidth = qMin(width(), m_bar->sizeHint().width());
    m_bar->setGeometry(0, 0, barWidth, m_stripHeight);
    m_bar->raise();
}

void TabControl::paintEvent(QPaintEvent *)
{
    // The page frame below the strip, as a tab widget draws it.
    QPainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.rect = rect().adjusted(0, m_stripHeight - 1, 0, 0);
    option.shape = QTabBar::RoundedNorth;
    option.tabBarSize = QSize(m_bar->width(), m_stripHeight);
    option.selectedTabRect = m_bar->tabRect(m_bar->currentIndex());
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
}
