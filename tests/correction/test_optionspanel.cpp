#include "common/intervaltimer.h"
#include "correction/correctionoptions.h"
#include "correction/optionspanel.h"
#include "correctiontesthelpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

namespace {

// The "SYSTEM" page's controls, nested the way the window nests them, in their design state:
// unchecked, every group member disabled.
class SystemPage : public QWidget
{
public:
    SystemPage()
    {
        auto *layout = new QVBoxLayout(this);
        controls.Frame3 = new QGroupBox(this);
        controls.Frame3->setEnabled(false);
        auto *frameLayout = new QVBoxLayout(controls.Frame3);
        for (int index = 0; index < 8; ++index) {
            QWidget *parent = index < 2 ? controls.Frame3 : static_cast<QWidget *>(this);
            controls.Label6[index] = new QLabel(parent);
            controls.Label6[index]->setObjectName(QStringLiteral("Label6(%1)").arg(index));
            controls.Label6[index]->setEnabled(false);
            (index < 2 ? frameLayout : layout)->addWidget(controls.Label6[index]);
        }
        controls.Combo1 = addCombo(frameLayout, controls.Frame3, "Combo1", "Combo1");
        controls.Combo2 = addCombo(layout, this, "Combo2", "Combo1");
        controls.Combo3 = addCombo(layout, this, "Combo3", "北京时间");
        controls.Combo5 = addCombo(layout, this, "Combo5", "北京时间");
        controls.Combo6 = addCombo(layout, this, "Combo6", "60");
        for (QCheckBox **box :
             { &controls.Check1, &controls.Check2, &controls.Check3, &controls.Check4 }) {
            *box = new QCheckBox(QStringLiteral("Check"), this);
            layout->addWidget(*box);
        }
        controls.Command5 = new QPushButton(QStringLiteral("OK"), this);
        layout->addWidget(controls.Command5);
        layout->addWidget(controls.Frame3);
    }

    QCheckBox *check(int number) const
    {
        return std::array { controls.Check1, controls.Check2, controls.Check3,
                            controls.Check4 }[number - 1];
    }
    // The controls that each check box enables.
    QList<QWidget *> group(int number) const
    {
        const OptionsControls &c = controls;
        switch (number) {
        case 1:
            return { c.Frame3, c.Label6[0], c.Label6[1], c.Combo1 };
        case 2:
            return { c.Label6[2], c.Label6[3], c.Combo2 };
        case 3:
            return { c.Label6[4], c.Label6[5], c.Combo3, c.Combo5 };
        default:
            return { c.Label6[6], c.Combo6 };
        }
    }
    QStringList comboTexts() const
    {
        return { controls.Combo1->currentText(), controls.Combo2->currentText(),
                 controls.Combo3->currentText(), controls.Combo5->currentText(),
                 controls.Combo6->currentText() };
    }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, 5)); }

    OptionsControls controls;

private:
    QComboBox *addCombo(QVBoxLayout *layout, QWidget *parent, const char *name, const char *text)
    {
        auto *combo = new QComboBox(parent);
        combo->setObjectName(QString::fromLatin1(name));
        combo->setEditable(true);
        combo->setEditText(QString::fromUtf8(text));
        combo->setEnabled(false);
        layout->addWidget(combo);
        return combo;
    }
};

// "1000 ticking", "0 enabled" (enabled but never ticks) or "300 off".
QString timerState(const IntervalTimer &timer)
{
    const char *state = timer.isTicking() ? "ticking" : timer.isEnabled() ? "enabled" : "off";
    return QStringLiteral("%1 %2").arg(timer.interval()).arg(QLatin1String(state));
}

} // namespace

class TestOptionsPanel : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_folder.isValid());
        m_store = std::make_unique<SettingsStore>(
            m_folder.filePath(QStringLiteral("case%1.ini").arg(++m_case)));
        m_page = std::make_unique<SystemPage>();
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        m_options = CorrectionOptions {};
        m_timer3 = std::make_unique<IntervalTimer>();
        m_timer4 = std::make_unique<IntervalTimer>();
        m_panel = std::make_unique<OptionsPanel>(m_page->controls, m_options, *m_store, *m_timer3,
                                                 *m_timer4);
        m_panel->connectControls();
    }
    void cleanup()
    {
        m_panel.reset();
        m_page.reset();
    }

    // checks: Check1..Check4; combos: Combo1, 2, 3, 5, 6; timers: Timer3, Timer4.
    void load_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("checks");
        QTest::addColumn<QStringList>("combos");
        QTest::addColumn<QStringList>("timers");
        const auto row = [](const char *name, const char *stored, bool refused, const char *checks,
                            const char *combos, const char *timers) {
            QTest::newRow(name) << QString::fromUtf8(stored) << refused
                                << QString::fromLatin1(checks)
                                << QString::fromUtf8(combos).split(QLatin1Char('|'))
                                << QString::fromLatin1(timers).split(QLatin1Char('|'));
        };
        row("empty store", "", false, "0000", "0|0|||0", "1000 off|0 off");
        row("stored options",
            "jiaoshiflag=-1;jiaoshimiao=7.5;gaojingflag=5;gaojingmiao=300;pingbiflag=1;"
            "pingbifen=30abc;shiquflag=abc;shiqu1=北京时间;shiqu2=UTC+8",
            false, "1101", "8|300|北京时间|UTC+8|30", "1000 ticking|300 ticking");
        row("delay on with 0 never ticks", "gaojingflag=1", false, "0100", "0|0|||0",
            "1000 off|0 enabled");
        // The controls and timers are never reached.
        row("out of range abandons the rest",
            "jiaoshiflag=1;jiaoshimiao=5;gaojingflag=1;gaojingmiao=99999;pingbiflag=1;shiqu1=A",
            true, "0000", "Combo1|Combo1|北京时间|北京时间|60", "0 off|0 off");
        // The controls show what was loaded; no timer is started.
        row("negative delay stops at the timers",
            "jiaoshiflag=1;jiaoshimiao=5;gaojingflag=1;gaojingmiao=-300", true, "1100",
            "5|-300|||0", "1000 off|0 off");
    }
    void load()
    {
        QFETCH(QString, stored);
        QFETCH(QString, checks);
        storeTexts(*m_store, stored);

        QTEST(m_panel->LoadCorrectionSettings().has_value(), "refused");

        for (int number = 1; number <= 4; ++number) {
            const bool checked = checks.at(number - 1) == QLatin1Char('1');
            QCOMPARE(m_page->check(number)->isChecked(), checked);
            for (QWidget *member : m_page->group(number)) {
                QVERIFY2(member->isEnabled() == checked, qPrintable(member->objectName()));
            }
        }
        QTEST(m_page->comboTexts(), "combos");
        QTEST((QStringList { timerState(*m_timer3), timerState(*m_timer4) }), "timers");
    }

    void clickingACheckBoxChangesOnlyItsGroup_data()
    {
        QTest::addColumn<int>("clicked");
        for (const char *name : { "Check1", "Check2", "Check3", "Check4" }) {
            QTest::newRow(name) << name[5] - '0';
        }
    }
    void clickingACheckBoxChangesOnlyItsGroup()
    {
        QFETCH(int, clicked);
        QVERIFY(!m_panel->LoadCorrectionSettings());

        m_page->click(m_page->check(clicked));

        QVERIFY(m_page->check(clicked)->isChecked());
        for (int number = 1; number <= 4; ++number) {
            for (QWidget *member : m_page->group(number)) {
                QVERIFY2(member->isEnabled() == (number == clicked),
                         qPrintable(member->objectName()));
            }
        }
        // A click changes no option, starts no timer and stores nothing: only OK does.
        QVERIFY(!m_options.correctOn && !m_options.delayOn && !m_options.maskOn);
        QVERIFY(!m_timer3->isEnabled() && !m_timer4->isEnabled());
        QVERIFY(storedOptionTexts(*m_store).startsWith(QLatin1String("jiaoshiflag=;")));

        m_page->click(m_page->check(clicked));
        for (QWidget *member : m_page->group(clicked)) {
            QVERIFY(!member->isEnabled());
        }
    }

    // OK stores all nine texts as shown, then applies the usable numbers; a text that cannot
    // be used keeps its option (and Timer4) as it was. Before: period 20, delay 300 (on),
    // minutes 5.
    void okStoresTextsThenApplies_data()
    {
        QTest::addColumn<QStringList>("typed"); // Combo1, Combo2, Combo6
        QTest::addColumn<QList<int>>("applied");
        QTest::newRow("7.5 applies 8")
            << QStringList { "7.5", "850", "15" } << QList { 8, 850, 15 };
        QTest::newRow("bad texts keep the previous values")
            << QStringList { "often", "-100", "99999" } << QList { 20, 300, 5 };
        QTest::newRow("each text on its own")
            << QStringList { "30abc", "950", "1" } << QList { 20, 950, 1 };
    }
    void okStoresTextsThenApplies()
    {
        QFETCH(QStringList, typed);
        QFETCH(QList<int>, applied);
        storeTexts(*m_store,
                   QStringLiteral("jiaoshimiao=20;gaojingflag=1;gaojingmiao=300;pingbifen=5"));
        QVERIFY(!m_panel->LoadCorrectionSettings());
        const OptionsControls &controls = m_page->controls;
        m_page->click(controls.Check1);
        m_page->click(controls.Check3);
        controls.Combo1->lineEdit()->selectAll();
        QTest::keyClicks(controls.Combo1->lineEdit(), typed.at(0));
        controls.Combo2->setEditText(typed.at(1));
        controls.Combo6->setEditText(typed.at(2));
        controls.Combo3->setEditText(QString::fromUtf8("北京时间"));
        controls.Combo5->setEditText(QStringLiteral(" UTC+8 "));

        m_page->click(controls.Command5);

        QCOMPARE(storedOptionTexts(*m_store),
                 QStringLiteral("jiaoshiflag=1;jiaoshimiao=%1;gaojingflag=1;gaojingmiao=%2;"
                                "pingbiflag=0;pingbifen=%3;shiquflag=1;shiqu1=北京时间;"
                                "shiqu2= UTC+8 ")
                     .arg(typed.at(0), typed.at(1), typed.at(2)));
        QCOMPARE((QList<int> { m_options.correctPeriod, m_options.delayMs, m_options.maskMinutes }),
                 applied);
        QVERIFY(m_options.correctOn);
        QCOMPARE(m_options.zoneComputer, QStringLiteral(" UTC+8 "));
        // Time-zone recognition keeps its loaded value until the next start, and turning
        // correction on does not start a resting Timer3: the cycle decides when.
        QVERIFY(!m_options.zoneOn);
        QCOMPARE(timerState(*m_timer3), QStringLiteral("1000 off"));
        QCOMPARE(timerState(*m_timer4), QStringLiteral("%1 ticking").arg(applied.at(1)));
    }

private:
    QTemporaryDir m_folder;
    int m_case = 0;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<SystemPage> m_page;
    CorrectionOptions m_options;
    std::unique_ptr<IntervalTimer> m_timer3;
    std::unique_ptr<IntervalTimer> m_timer4;
    std::unique_ptr<OptionsPanel> m_panel;
};

QTEST_MAIN(TestOptionsPanel)
#include "test_optionspanel.moc"
