#include "common/intervaltimer.h"
#include "correction/correctionoptions.h"
#include "correction/optionspanel.h"
#include "correctiontesthelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

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
    // The "SYSTEM" page's controls, nested as the window nests them, in their design state:
    // unchecked, every group member disabled.
    void init()
    {
        m_store = std::make_unique<SettingsStore>(
            m_folder.filePath(QStringLiteral("case%1.ini").arg(++m_case)));
        m_page = std::make_unique<QWidget>();
        OptionsControls &c = m_controls;
        c.Frame3 = new QGroupBox(m_page.get());
        for (int index = 0; index < 8; ++index) {
            c.Label6[index] = new QLabel(index < 2 ? c.Frame3 : m_page.get());
        }
        for (QComboBox **combo : { &c.Combo1, &c.Combo2, &c.Combo3, &c.Combo5, &c.Combo6 }) {
            *combo = new QComboBox(combo == &c.Combo1 ? c.Frame3 : m_page.get());
            (*combo)->setEditable(true);
        }
        c.Combo1->setEditText(QStringLiteral("Combo1"));
        c.Combo2->setEditText(QStringLiteral("Combo1"));
        c.Combo3->setEditText(QString::fromUtf8("北京时间"));
        c.Combo5->setEditText(QString::fromUtf8("北京时间"));
        c.Combo6->setEditText(QStringLiteral("60"));
        for (QCheckBox **box : { &c.Check1, &c.Check2, &c.Check3, &c.Check4 }) {
            *box = new QCheckBox(QStringLiteral("Check"), m_page.get());
        }
        c.Command5 = new QPushButton(QStringLiteral("OK"), m_page.get());
        for (int number = 1; number <= 4; ++number) {
            for (QWidget *member : group(number)) {
                member->setEnabled(false);
            }
        }
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        m_options = CorrectionOptions {};
        m_timer3 = std::make_unique<IntervalTimer>();
        m_timer4 = std::make_unique<IntervalTimer>();
        m_panel = std::make_unique<OptionsPanel>(c, m_options, *m_store, *m_timer3, *m_timer4);
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
        QTest::addColumn<QString>("combos");
        QTest::addColumn<QString>("timers");
        const auto row = [](const char *name, const char *stored, bool refused, const char *checks,
                            const char *combos, const char *timers) {
            QTest::newRow(name) << QString::fromUtf8(stored) << refused
                                << QString::fromLatin1(checks) << QString::fromUtf8(combos)
                                << QString::fromLatin1(timers);
        };
        row("empty store", "", false, "0000", "0|0|||0", "1000 off|0 off");
        row("stored options",
            "jiaoshiflag=-1;jiaoshimiao=7.5;gaojingflag=5;gaojingmiao=300;pingbiflag=1;"
            "pingbifen=30abc;shiquflag=abc;shiqu1=北京时间 , UTC+8;shiqu2=  x  ",
            false, "1101", "8|300|北京时间 , UTC+8|  x  |30", "1000 ticking|300 ticking");
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
        storeTexts(*m_store, stored);
        QTEST(m_panel->LoadCorrectionSettings().has_value(), "refused");
        QTEST(groups(), "checks");
        const OptionsControls &c = m_controls;
        QTEST(QStringList({ c.Combo1->currentText(), c.Combo2->currentText(),
                            c.Combo3->currentText(), c.Combo5->currentText(),
                            c.Combo6->currentText() })
                  .join(u'|'),
              "combos");
        QTEST(timerState(*m_timer3) + u'|' + timerState(*m_timer4), "timers");
    }

    // A click changes only its group: no option, no timer and nothing stored, only OK does.
    void clickingACheckBoxChangesOnlyItsGroup_data()
    {
        QTest::addColumn<int>("clicked");
        for (int number = 1; number <= 4; ++number) {
            QTest::addRow("Check%d", number) << number;
        }
    }
    void clickingACheckBoxChangesOnlyItsGroup()
    {
        QFETCH(int, clicked);
        QVERIFY(!m_panel->LoadCorrectionSettings());
        click(check(clicked));
        QCOMPARE(groups(), QString(4, u'0').replace(clicked - 1, 1, u'1'));
        QVERIFY(!m_options.correctOn && !m_options.delayOn && !m_options.maskOn);
        QVERIFY(!m_timer3->isEnabled() && !m_timer4->isEnabled());
        QCOMPARE(m_store->value(QStringLiteral("Properties"), QStringLiteral("jiaoshiflag")),
                 QString());
        click(check(clicked));
        QCOMPARE(groups(), QStringLiteral("0000"));
    }

    // OK stores all nine texts as shown, then applies the usable numbers; a text that cannot
    // be used keeps its option (and Timer4) as it was. Before: period 20, delay 300 (on),
    // minutes 5.
    void okStoresTextsThenApplies_data()
    {
        QTest::addColumn<QStringList>("typed"); // Combo1, Combo2, Combo6
        QTest::addColumn<QList<int>>("applied");
        QTest::newRow("7.5 applies 8") << QStringList { "7.5", "850", "15" } << QList { 8, 850, 15 };
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
        const OptionsControls &c = m_controls;
        click(c.Check1);
        click(c.Check3);
        c.Combo1->lineEdit()->selectAll();
        QTest::keyClicks(c.Combo1->lineEdit(), typed.at(0));
        c.Combo2->setEditText(typed.at(1));
        c.Combo6->setEditText(typed.at(2));
        c.Combo3->setEditText(QString::fromUtf8("北京时间"));
        c.Combo5->setEditText(QStringLiteral(" UTC+8 "));

        click(c.Command5);

        QStringList stored;
        for (const char *key : { "jiaoshiflag", "jiaoshimiao", "gaojingflag", "gaojingmiao",
                                 "pingbiflag", "pingbifen", "shiquflag", "shiqu1", "shiqu2" }) {
            stored << m_store->value(QStringLiteral("Properties"), QLatin1String(key));
        }
        QCOMPARE(stored, (QStringList { "1", typed.at(0), "1", typed.at(1), "0", typed.at(2), "1",
                                        QString::fromUtf8("北京时间"), " UTC+8 " }));
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
    QCheckBox *check(int number) const
    {
        return std::array { m_controls.Check1, m_controls.Check2, m_controls.Check3,
                            m_controls.Check4 }[number - 1];
    }
    // The controls that each check box enables.
    QList<QWidget *> group(int number) const
    {
        const OptionsControls &c = m_controls;
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
    // For each check box "1" or "0", or "?" when a member of its group is not enabled as it.
    QString groups() const
    {
        QString state;
        for (int number = 1; number <= 4; ++number) {
            const bool checked = check(number)->isChecked();
            const QList<QWidget *> members = group(number);
            const bool agree = std::all_of(members.cbegin(), members.cend(),
                                           [&](QWidget *w) { return w->isEnabled() == checked; });
            state += !agree ? u'?' : checked ? u'1' : u'0';
        }
        return state;
    }
    static void click(QWidget *widget)
    {
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, 5));
    }

    QTemporaryDir m_folder;
    int m_case = 0;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<QWidget> m_page;
    OptionsControls m_controls;
    CorrectionOptions m_options;
    std::unique_ptr<IntervalTimer> m_timer3;
    std::unique_ptr<IntervalTimer> m_timer4;
    std::unique_ptr<OptionsPanel> m_panel;
};

QTEST_MAIN(TestOptionsPanel)
#include "test_optionspanel.moc"
