#pragma once

#include <QList>
#include <QWidget>

class QTabBar;

// A tab control whose pages cover the whole control, tab strip included, so that controls
// on a page are placed from the control's own top-left corner; the strip is drawn over the
// pages' top. Only the user changes the selected page.
class TabControl : public QWidget
{
    Q_OBJECT
public:
    TabControl(const QStringList &pageTitles, int stripHeightPixels, QWidget *parent = nullptr);

    int count() const { return int(m_pages.size()); }
    QWidget *page(int index) const { return m_pages.value(index); }
    int currentIndex() const;
    void setCurrentIndex(int index);
    QTabBar *tabBar() const { return m_bar; }
    int stripHeight() const { return m_stripHeight; }
    // Gives every page the control's whole rectangle and the strip its place on top.
    void layoutPages();
    // The next page (step 1) or the one before (-1), round the end, with the keyboard focus
    // on the strip so that the next key press switches the same level again.
    void stepPage(int step);

    // Ctrl+Tab and Ctrl+PageDown show the next page, Ctrl+Shift+Tab and Ctrl+PageUp the one
    // before, of the innermost tab control in `window` that holds the keyboard focus, or of
    // the outermost one when none does: the keys of every tabbed window.
    static void switchPagesByKeyboard(QWidget *window);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showPage(int index);

    QTabBar *m_bar = nullptr;
    QList<QWidget *> m_pages;
    int m_stripHeight = 0;
};
