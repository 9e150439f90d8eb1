#include "app/applicationfonts.h"
#include "app/layoutbuilder.h"
#include "app/mainwindowlayout.h"
#include "app/readablecolour.h"
#include "app/tabcontrol.h"
#include "common/twips.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTest>

namespace {

const QColor kDescribedBlue(0, 0, 255);

// A dark Fusion palette, as dark desktop themes give it.
QPalette darkPalette()
{
    QPalette palette = QApplication::style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(53, 53, 53));
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, QColor(35, 35, 35));
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::Button, QColor(53, 53, 53));
    palette.setColor(QPalette::ButtonText, Qt::white);
    return palette;
}

QPalette lightPalette()
{
    QPalette palette = QApplication::style()->standardPalette();
    palette.setColor(QPalette::Base, Qt::white);
    return palette;
}

} // namespace

// The main window's controls under other themes than the one they were drawn for.
class TestThemes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        loadApplicationFonts();
    }

    // The log box and the dump box keep the described blue where it reads well, and a
    // readable blue where it does not, also when the theme changes while they are shown.
    void textBoxesStayReadable_data()
    {
        QTest::addColumn<QStringList>("themes"); // at start, then while shown
        QTest::addColumn<bool>("described");
        QTest::newRow("light") << QStringList { "light" } << true;
        QTest::newRow("dark") << QStringList { "dark" } << false;
        QTest::newRow("light, then dark") << QStringList { "light", "dark" } << false;
        QTest::newRow("dark, then light") << QStringList { "dark", "light" } << true;
    }
    void textBoxesStayReadable()
    {
        QFETCH(QStringList, themes);
        QFETCH(bool, described);
        const auto apply = [](const QString &theme) {
            QApplication::setPalette(theme == QLatin1String("dark") ? darkPalette()
                                                                    : lightPalette());
        };
        apply(themes.takeFirst());
        QWidget client;
        const QHash<QString, QWidget *> built
            = LayoutBuilder::build(&client, MainWindowLayout::controls());
        client.show();
        for (const QString &theme : std::as_const(themes)) {
            apply(theme);
            QCoreApplication::processEvents();
        }
        for (const char *name : { "Text3", "txtTerm" }) {
            QWidget *box = built.value(QString::fromLatin1(name));
            const QColor text = box->palette().color(QPalette::Text);
            const QColor base = box->palette().color(QPalette::Base);
            QVERIFY2(ReadableColour::contrastRatio(text, base) >= 4.5, name);
            if (described) {
                QCOMPARE(text, kDescribedBlue);
            } else {
                // Still blue: the blue channel leads, the others lighten it.
                QVERIFY2(text.blue() == 255 && text.red() == text.green() && text.red() > 0
                             && text.red() < 200,
                         qPrintable(text.name()));
            }
        }
        QApplication::setPalette(lightPalette());
    }

    // At a font larger than the one the layout was drawn for, no button and no tab cuts its
    // caption, and every button stays inside its parent.
    void captionsWholeAtALargerFont()
    {
        const QFont before = QApplication::font();
        QFont large(QStringLiteral("Tahoma"));
        large.setPointSize(11);
        QApplication::setFont(large);
        QWidget client;
        client.resize(twipsToPixels(MainWindowLayout::kClientWidthTwips),
                      twipsToPixels(MainWindowLayout::kClientHeightTwips));
        const QHash<QString, QWidget *> built
            = LayoutBuilder::build(&client, MainWindowLayout::controls());
        client.show();
        QVERIFY(QTest::qWaitForWindowExposed(&client));
        for (QWidget *widget : built) {
            if (auto *button = qobject_cast<QPushButton *>(widget)) {
                QVERIFY2(button->width() >= button->sizeHint().width(),
                         qPrintable(button->objectName()));
                QVERIFY2(button->parentWidget()->rect().contains(button->geometry()),
                         qPrintable(button->objectName()));
            } else if (auto *tabs = qobject_cast<TabControl *>(widget)) {
                QTabBar *bar = tabs->tabBar();
                for (int index = 0; index < bar->count(); ++index) {
                    const int needed = bar->fontMetrics().horizontalAdvance(bar->tabText(index));
                    QVERIFY2(
                        bar->tabRect(index).width() > needed
                            && bar->geometry().contains(bar->tabRect(index).translated(bar->pos())),
                        qPrintable(bar->tabText(index)));
                }
            }
        }
        QApplication::setFont(before);
    }
};

QTEST_MAIN(TestThemes)
#include "test_themes.moc"
