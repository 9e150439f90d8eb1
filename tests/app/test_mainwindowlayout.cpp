#include "app/applicationfonts.h"
#include "app/layoutbuilder.h"
#include "app/mainwindowlayout.h"
#include "app/readablecolour.h"
#include "app/tabcontrol.h"
#include "common/twips.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QTabBar>
#include <QTest>

using namespace MainWindowLayout;

namespace {
// How much a widget's text darkens it: the darkness of its pixels beyond its background.
qint64 inkOf(QWidget *widget)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    const int background = qGray(image.pixel(0, 0));
    qint64 ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ink += qMax(0, background - image.constScanLine(y)[x]);
        }
    }
    return ink;
}
} // namespace

// The main window's controls as the layout table builds them, on the font they were drawn for.
class TestMainWindowLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        loadApplicationFonts();
        QFont font(QStringLiteral("Tahoma"));
        font.setPointSize(8);
        QApplication::setFont(font);
        m_client.setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
        m_built = LayoutBuilder::build(&m_client, controls());
        m_client.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_client));
    }

    // Each control once, on its parent, as the table puts it; only a height, or a one-line
    // label's width, grows to fit.
    void everyControlAsTheTableSays()
    {
        for (const ControlRow &row : controls()) {
            const QByteArray nameText = row.name.toUtf8();
            const char *name = nameText.constData();
            const QList<QWidget *> found = m_client.findChildren<QWidget *>(row.name);
            QVERIFY2(found.size() == 1, name);
            QWidget *widget = found.first();
            QWidget *parent = row.parent.isEmpty() ? &m_client : m_built.value(row.parent);
            QVERIFY2(widget->parentWidget() == parent, name);
            const QRect designed = twipsToPixels(row.twips);
            QCOMPARE(widget->pos(), designed.topLeft());
            QVERIFY2(row.singleLine ? widget->width() >= designed.width()
                                    : widget->width() == designed.width(),
                     name);
            QVERIFY2(widget->height() >= designed.height(), name);
            // The hex dump lies below the client area and the picture beside it, on purpose.
            if (row.name != QLatin1String("txtTerm") && row.name != QLatin1String("tyuy")) {
                QVERIFY2(parent->rect().contains(widget->geometry()), name);
            }
        }
        // "Arround", the blank run that Combo6 stands in, then "minutes", on one line.
        auto *around = qobject_cast<QLabel *>(m_built.value(QStringLiteral("Label6(6)")));
        const QFontMetrics metrics(around->font());
        const int wrap = around->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
        QCOMPARE(metrics.boundingRect(around->rect(), wrap, around->text()).height(),
                 metrics.height());
        const int blankStart = around->x() + metrics.horizontalAdvance(QStringLiteral("Arround"));
        const QRect combo6 = m_built.value(QStringLiteral("Combo6"))->geometry();
        QVERIFY(combo6.left() >= blankStart);
        QVERIFY(combo6.right() < blankStart + metrics.horizontalAdvance(QString(24, u' ')));
    }

    // The display line's Tahoma holds a whole date and time and its bold shows; the flow
    // options get Small Fonts, and the ones that use Xon/Xoff warn of the bytes it takes.
    void fontsAndTips()
    {
        auto *label2 = qobject_cast<QLabel *>(m_built.value(QStringLiteral("Label2")));
        QCOMPARE(QFontInfo(label2->font()).family(), QStringLiteral("Tahoma"));
        const QString line = QStringLiteral("2026-12-05 23:59:58");
        QVERIFY(QFontMetrics(label2->font()).horizontalAdvance(line) <= label2->width());
        label2->setText(line);
        const qint64 boldInk = inkOf(label2);
        QFont face = label2->font();
        face.setBold(false);
        label2->setFont(face);
        const qint64 regularInk = inkOf(label2);
        face.setBold(true);
        label2->setFont(face);
        label2->clear();
        QVERIFY2(boldInk > regularInk * 6 / 5, qPrintable(QString::number(boldInk - regularInk)));
        for (int i = 0; i < 4; ++i) {
            QWidget *flow = m_built.value(QStringLiteral("optFlow(%1)").arg(i));
            QCOMPARE(QFontInfo(flow->font()).family(), QStringLiteral("Small Fonts"));
            QCOMPARE(flow->toolTip().contains(QStringLiteral("bytes 11 and 13 (hex)")),
                     i == 1 || i == 3);
        }
    }

    // A page shows only when its tab is clicked.
    void tabPagesShowOnlyWhenSelected()
    {
        auto *outer = qobject_cast<TabControl *>(m_built.value(QStringLiteral("SSTab3")));
        auto *inner = qobject_cast<TabControl *>(m_built.value(QStringLiteral("SSTab1")));
        QWidget *label2 = m_built.value(QStringLiteral("Label2"));
        QWidget *command7 = m_built.value(QStringLiteral("Command7"));
        QVERIFY(label2->isVisible() && !command7->isVisible());
        for (TabControl *tabs : { outer, inner }) {
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                              tabs->tabBar()->tabRect(1).center());
        }
        QVERIFY(!label2->isVisible() && command7->isVisible());
        outer->setCurrentIndex(0);
    }

    // The log box and hex dump keep their blue, or a readable blue, as the theme changes.
    void textBoxesStayReadableUnderEveryTheme()
    {
        const QPalette light = QApplication::style()->standardPalette();
        const QPalette dark(QColor(45, 45, 45)); // white text on black boxes
        QApplication::setPalette(dark);
        QWidget client;
        const QHash<QString, QWidget *> built = LayoutBuilder::build(&client, controls());
        client.show();
        for (const bool isDark : { true, false, true }) {
            QApplication::setPalette(isDark ? dark : light);
            QCoreApplication::processEvents();
            for (const char *name : { "Text3", "txtTerm" }) {
                const QPalette shown = built.value(QLatin1String(name))->palette();
                const QColor text = shown.color(QPalette::Text);
                QVERIFY2(ReadableColour::contrastRatio(text, shown.color(QPalette::Base)) >= 4.5,
                         name);
                // On dark, still blue: the blue channel leads, the others lighten it.
                QVERIFY2(isDark ? text.blue() == 255 && text.red() == text.green() && text.red() > 0
                                 && text.red() < 200
                                : text == QColor(0, 0, 255),
                         qPrintable(text.name()));
            }
        }
    }

private:
    QWidget m_client;
    QHash<QString, QWidget *> m_built;
};

QTEST_MAIN(TestMainWindowLayout)
#include "test_mainwindowlayout.moc"
