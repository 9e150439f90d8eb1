#include "app/applicationfonts.h"
#include "app/layoutbuilder.h"
#include "app/mainwindowlayout.h"
#include "app/tabcontrol.h"
#include "common/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
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
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            ink += qMax(0, background - line[x]);
        }
    }
    return ink;
}

QRect parentRectTwips(const ControlRow &row)
{
    if (row.parent.isEmpty()) {
        return QRect(0, 0, kClientWidthTwips, kClientHeightTwips);
    }
    const QString parentName = row.parent.section(QLatin1Char(':'), 0, 0);
    const ControlRow *parent = find(parentName);
    return parent ? QRect(QPoint(0, 0), parent->twips.size()) : QRect();
}
} // namespace

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

    void everyControlOnceWithItsKindAndParent_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("className");
        const struct
        {
            const char *name, *parent, *className;
        } rows[] = {
            { "SSTab3", "clientArea", "TabControl" },
            { "Command2", "clientArea", "QPushButton" },
            { "Command3", "clientArea", "QPushButton" },
            { "txtTerm", "clientArea", "QPlainTextEdit" },
            { "tyuy", "clientArea", "QFrame" },
            { "Label2", "SSTab3:0", "QLabel" },
            { "Text3", "SSTab3:0", "QPlainTextEdit" },
            { "Label7", "SSTab3:0", "QLabel" },
            { "SSTab1", "SSTab3:1", "TabControl" },
            { "fraSettings", "SSTab1:0", "QWidget" },
            { "Label1", "fraSettings", "QLabel" },
            { "cboPort", "fraSettings", "QComboBox" },
            { "Frame1", "fraSettings", "QGroupBox" },
            { "cboSpeed", "Frame1", "QComboBox" },
            { "fraConnection", "fraSettings", "QGroupBox" },
            { "Label3", "fraConnection", "QLabel" },
            { "cboDataBits", "fraConnection", "QComboBox" },
            { "Label4", "fraConnection", "QLabel" },
            { "cboParity", "fraConnection", "QComboBox" },
            { "Label5", "fraConnection", "QLabel" },
            { "cboStopBits", "fraConnection", "QComboBox" },
            { "Frame7", "fraSettings", "QGroupBox" },
            { "optEcho(0)", "Frame7", "QRadioButton" },
            { "optEcho(1)", "Frame7", "QRadioButton" },
            { "Frame5", "fraSettings", "QGroupBox" },
            { "optFlow(0)", "Frame5", "QRadioButton" },
            { "optFlow(1)", "Frame5", "QRadioButton" },
            { "optFlow(2)", "Frame5", "QRadioButton" },
            { "optFlow(3)", "Frame5", "QRadioButton" },
            { "Frame10", "fraSettings", "QGroupBox" },
            { "Combo4", "Frame10", "QComboBox" },
            { "Command1", "fraSettings", "QPushButton" },
            { "Frame2", "SSTab1:1", "QGroupBox" },
            { "Check1", "Frame2", "WrappedCheckBox" },
            { "Frame3", "Frame2", "QGroupBox" },
            { "Label6(0)", "Frame3", "QLabel" },
            { "Label6(1)", "Frame3", "QLabel" },
            { "Combo1", "Frame3", "QComboBox" },
            { "Frame4", "SSTab1:1", "QGroupBox" },
            { "Check2", "Frame4", "WrappedCheckBox" },
            { "Frame6", "Frame4", "QGroupBox" },
            { "Label6(3)", "Frame6", "QLabel" },
            { "Combo2", "Frame6", "QComboBox" },
            { "Label6(2)", "Frame6", "QLabel" },
            { "Frame11", "SSTab1:1", "QGroupBox" },
            { "Check4", "Frame11", "WrappedCheckBox" },
            { "Frame12", "Frame11", "QGroupBox" },
            { "Label6(6)", "Frame12", "QLabel" },
            { "Combo6", "Frame12", "QComboBox" },
            { "Label6(7)", "Frame12", "QLabel" },
            { "Frame8", "SSTab1:1", "QGroupBox" },
            { "Check3", "Frame8", "WrappedCheckBox" },
            { "Frame9", "Frame8", "QGroupBox" },
            { "Label6(5)", "Frame9", "QLabel" },
            { "Combo3", "Frame9", "QComboBox" },
            { "Label6(4)", "Frame9", "QLabel" },
            { "Combo5", "Frame9", "QComboBox" },
            { "Command5", "SSTab1:1", "QPushButton" },
            { "Command7", "SSTab1:1", "QPushButton" },
        };
        for (const auto &row : rows) {
            QTest::newRow(row.name) << QString::fromUtf8(row.name) << QString::fromUtf8(row.parent)
                                    << QString::fromUtf8(row.className);
        }
    }
    void everyControlOnceWithItsKindAndParent()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QString, className);
        const QList<QWidget *> found = m_client.findChildren<QWidget *>(name);
        QCOMPARE(found.size(), 1);
        QWidget *widget = found.first();
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
        QWidget *expectedParent
            = parent == QLatin1String("clientArea") ? &m_client : m_built.value(parent);
        QVERIFY(expectedParent);
        QCOMPARE(widget->parentWidget(), expectedParent);
    }

    void tableHasNoStrangers()
    {
        // 59 controls and the four tab pages; nothing named twice.
        QSet<QString> names;
        for (const ControlRow &row : controls()) {
            QVERIFY2(!names.contains(row.name), qPrintable(row.name));
            names.insert(row.name);
        }
        QCOMPARE(names.size(), 59);
        QCOMPARE(m_built.size(), 59 + 4);
    }

    void childrenLieInsideTheirContainer()
    {
        for (const ControlRow &row : controls()) {
            if (row.name == QLatin1String("txtTerm") || row.name == QLatin1String("tyuy")) {
                continue; // below or beside the normal client area on purpose
            }
            QVERIFY2(twipsToPixels(parentRectTwips(row)).contains(twipsToPixels(row.twips)),
                     qPrintable(row.name));
            // The built widget too, at 96 dpi, with the heights combo boxes really need.
            QWidget *widget = m_built.value(row.name);
            QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()),
                     qPrintable(row.name));
            // Placed where the table says; only a height, or a one-line label's width, may grow to
            // fit the caption.
            const QRect designed = twipsToPixels(row.twips);
            QCOMPARE(widget->pos(), designed.topLeft());
            QVERIFY2(row.singleLine ? widget->width() >= designed.width()
                                    : widget->width() == designed.width(),
                     qPrintable(row.name));
            QVERIFY2(widget->height() >= designed.height(), qPrintable(row.name));
        }
    }

    void placedOutsideOnPurpose()
    {
        const QRect client(0, 0, kClientWidthTwips, kClientHeightTwips);
        QVERIFY(!client.intersects(find(QStringLiteral("txtTerm"))->twips));
        const QRect tall(0, 0, kClientWidthTwips,
                         kOuterHeightPortInformationTwips - kFrameAllowanceTwips);
        QVERIFY(tall.contains(find(QStringLiteral("txtTerm"))->twips));
        QVERIFY(!client.contains(find(QStringLiteral("tyuy"))->twips));
    }

    void hiddenControlsAndStacking()
    {
        QVERIFY(m_built.value(QStringLiteral("Command3"))->isHidden());
        QVERIFY(m_built.value(QStringLiteral("Frame8"))->isHidden());
        QVERIFY(m_built.value(QStringLiteral("Frame10"))->isHidden());
        // Label7 lies inside Text3's rectangle and is drawn under it.
        QWidget *label7 = m_built.value(QStringLiteral("Label7"));
        QWidget *text3 = m_built.value(QStringLiteral("Text3"));
        QVERIFY(text3->geometry().contains(label7->geometry()));
        const QObjectList siblings = label7->parentWidget()->children();
        QVERIFY(siblings.indexOf(label7) < siblings.indexOf(text3));
        // The controls inside the hidden Frame8 still hold their values.
        QCOMPARE(qobject_cast<QComboBox *>(m_built.value(QStringLiteral("Combo3")))->currentText(),
                 QStringLiteral("北京时间"));
    }

    void initialStates()
    {
        auto *combo2 = qobject_cast<QComboBox *>(m_built.value(QStringLiteral("Combo2")));
        QCOMPARE(combo2->count(), 12);
        QCOMPARE(combo2->itemText(0), QStringLiteral("50"));
        QCOMPARE(combo2->itemText(11), QStringLiteral("950"));
        QVERIFY(combo2->isEditable());
        QVERIFY(!combo2->isEnabled());
        QVERIFY(!qobject_cast<QComboBox *>(m_built.value(QStringLiteral("cboPort")))->isEditable());
        QCOMPARE(qobject_cast<QComboBox *>(m_built.value(QStringLiteral("Combo6")))->currentText(),
                 QStringLiteral("60"));
        QCOMPARE(qobject_cast<QLabel *>(m_built.value(QStringLiteral("Label6(6)")))->text().size(),
                 38);
        QCOMPARE(qobject_cast<QCheckBox *>(m_built.value(QStringLiteral("Check4")))->text(),
                 QStringLiteral("Use Computer's date,do nothing arround 00:00:00 "));
        auto *log = qobject_cast<QPlainTextEdit *>(m_built.value(QStringLiteral("Text3")));
        QCOMPARE(log->palette().color(QPalette::Text), QColor(0, 0, 255));
        // The display lines really get Tahoma 24 pt, and bold that shows: darker than the same
        // line in the regular face. The flow options get Small Fonts.
        auto *label2 = qobject_cast<QLabel *>(m_built.value(QStringLiteral("Label2")));
        const QFontInfo shown(label2->font());
        QCOMPARE(shown.family(), QStringLiteral("Tahoma"));
        QCOMPARE(shown.pointSize(), 24);
        label2->setText(QStringLiteral("2026-12-05 23:59:58"));
        const qint64 boldInk = inkOf(label2);
        QFont regular = label2->font();
        regular.setBold(false);
        label2->setFont(regular);
        const qint64 regularInk = inkOf(label2);
        regular.setBold(true);
        label2->setFont(regular);
        label2->clear();
        QVERIFY2(boldInk > regularInk * 6 / 5,
                 qPrintable(QStringLiteral("%1 against %2").arg(boldInk).arg(regularInk)));
        QCOMPARE(QFontInfo(m_built.value(QStringLiteral("optFlow(0)"))->font()).family(),
                 QStringLiteral("Small Fonts"));
        // The flow choices that use Xon/Xoff warn of the bytes it takes.
        for (int i = 0; i < 4; ++i) {
            const QString tip = m_built.value(QStringLiteral("optFlow(%1)").arg(i))->toolTip();
            QCOMPARE(tip.contains(QStringLiteral("bytes 11 and 13 (hex)")), i == 1 || i == 3);
        }
        auto *tabs = qobject_cast<TabControl *>(m_built.value(QStringLiteral("SSTab3")));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->tabBar()->tabText(1), QStringLiteral("SET-UP"));
    }

    // What a user sees: on every page, no caption is cut off by its control's rectangle.
    void captionsAreNotCutOff()
    {
        for (const ControlRow &row : controls()) {
            QWidget *widget = m_built.value(row.name);
            const QFontMetrics metrics(widget->font());
            if (auto *button = qobject_cast<QPushButton *>(widget)) {
                QVERIFY2(metrics.horizontalAdvance(button->text()) + 8 <= button->width(),
                         qPrintable(row.name));
            } else if (auto *radio = qobject_cast<QRadioButton *>(widget)) {
                QVERIFY2(radio->sizeHint().width() <= radio->width()
                             && radio->sizeHint().height() <= radio->height(),
                         qPrintable(row.name
                                    + QStringLiteral(" needs %1x%2, has %3x%4")
                                          .arg(radio->sizeHint().width())
                                          .arg(radio->sizeHint().height())
                                          .arg(radio->width())
                                          .arg(radio->height())));
            } else if (auto *check = qobject_cast<QCheckBox *>(widget)) {
                QVERIFY2(check->sizeHint().height() <= check->height(), qPrintable(row.name));
            } else if (auto *label = qobject_cast<QLabel *>(widget)) {
                const int wrap = label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
                const QRect needed = metrics.boundingRect(label->rect(), wrap, label->text());
                QVERIFY2(needed.height() <= label->height() || row.twips.height() < 50,
                         qPrintable(row.name));
                QVERIFY2(needed.width() <= label->width(), qPrintable(row.name));
            } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
                QVERIFY2(metrics.horizontalAdvance(frame->title()) < frame->width(),
                         qPrintable(row.name));
            }
        }
        // "Arround", the blank run that Combo6 stands in, then "minutes", on one line.
        auto *around = qobject_cast<QLabel *>(m_built.value(QStringLiteral("Label6(6)")));
        const QFontMetrics metrics(around->font());
        const int wrap = around->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
        QCOMPARE(metrics.boundingRect(around->rect(), wrap, around->text()).height(),
                 metrics.height());
        const QString arround = QStringLiteral("Arround");
        const QRect combo6 = m_built.value(QStringLiteral("Combo6"))->geometry();
        QVERIFY(combo6.left() >= around->x() + metrics.horizontalAdvance(arround));
        QVERIFY(combo6.right()
                < around->x() + metrics.horizontalAdvance(arround + QString(24, QLatin1Char(' '))));
        // The display line holds a whole date and time in its large type.
        auto *label2 = m_built.value(QStringLiteral("Label2"));
        QVERIFY(
            QFontMetrics(label2->font()).horizontalAdvance(QStringLiteral("2026-12-05 23:59:58"))
            <= label2->width());
    }

    void tabPagesShowOnlyWhenSelected()
    {
        auto *outer = qobject_cast<TabControl *>(m_built.value(QStringLiteral("SSTab3")));
        QWidget *label2 = m_built.value(QStringLiteral("Label2"));
        QWidget *command7 = m_built.value(QStringLiteral("Command7"));
        QVERIFY(label2->isVisible());
        QVERIFY(!command7->isVisible());
        QTest::mouseClick(outer->tabBar(), Qt::LeftButton, {},
                          outer->tabBar()->tabRect(1).center());
        QCOMPARE(outer->currentIndex(), 1);
        QVERIFY(!label2->isVisible());
        auto *inner = qobject_cast<TabControl *>(m_built.value(QStringLiteral("SSTab1")));
        QTest::mouseClick(inner->tabBar(), Qt::LeftButton, {},
                          inner->tabBar()->tabRect(1).center());
        QVERIFY(command7->isVisible());
        // The strip lies above the first control of each page, never over it.
        QVERIFY(inner->stripHeight() <= m_built.value(QStringLiteral("Frame2"))->y());
        QVERIFY(outer->stripHeight() <= m_built.value(QStringLiteral("Label2"))->y());
        outer->setCurrentIndex(0);
    }

private:
    QWidget m_client;
    QHash<QString, QWidget *> m_built;
};

QTEST_MAIN(TestMainWindowLayout)
#include "test_mainwindowlayout.moc"
