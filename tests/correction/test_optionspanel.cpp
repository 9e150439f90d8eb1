#include "app/layoutbuilder.h"
#include "app/mainwindowlayout.h"
#include "app/tabcontrol.h"
#include "common/intervaltimer.h"
#include "common/settingsstore.h"
#include "correction/correctionoptions.h"
#include "correction/optionspanel.h"

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
    // The window's own controls as designed, with the "SYSTEM" page in front.
    void init()
    {
        m_panel.reset(); // before the controls and the store it works on
        m_store = std::make_unique<SettingsStore>(
            m_folder.filePath(QStringLiteral("case%1.ini").arg(++m_case)));
        buildPage();
    }

    // Steps: store, load, click, type <combo> <text>, stored (the file), restart (new controls
    // and options from the file). Outcome: loading | groups() | Combo1/2/3/5/6 | Timer3,
    // Timer4 | correction, delay, window, zone options.
    void panel_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *steps, const char *expected) {
            QTest::newRow(name) << QString::fromUtf8(steps) << QString::fromUtf8(expected);
        };
        // Flags: a number not 0 is true, a word false; numbers: leading ones, half to even.
        row("stored options",
            "store jiaoshiflag=-1;jiaoshimiao=7.5;gaojingflag=5;gaojingmiao=300;pingbiflag=yes;"
            "pingbifen=30abc;shiquflag= 2x;shiqu1=北京时间 , UTC+8;shiqu2=  x  |load",
            "ok | 1110 | 8/300/北京时间 , UTC+8/  x  /30 | 1000 ticking, 300 ticking | "
            "1 8, 1 300, 0 30, 1 [北京时间 , UTC+8] [  x  ]");
        // A number out of range stops loading before the next option, the controls and timers.
        row("period out of range stops before the delay flag",
            "store jiaoshiflag=1;jiaoshimiao=32768;gaojingflag=1;gaojingmiao=300;pingbiflag=1;"
            "shiqu1=A|load",
            "refused | ?000 | Combo1/Combo1/北京时间/北京时间/60 | 0 off, 0 off | "
            "1 0, 0 0, 0 0, 0 [] []");
        // The controls show what was loaded; no timer is started.
        row("negative delay stops at the timers",
            "store jiaoshiflag=1;jiaoshimiao=5;gaojingflag=1;gaojingmiao=-300|load",
            "refused | 1100 | 5/-300///0 | 1000 off, 0 off | 1 5, 1 -300, 0 0, 0 [] []");
        // On an empty store, a click changes only its group: no option, timer or stored text.
        for (const char *check : { "Check1", "Check2", "Check3", "Check4" }) {
            const QString checks = QString(4, u'0').replace(check[5] - '1', 1, u'1');
            QTest::newRow(check) << QStringLiteral("load|click %1|stored ;;;;;;;;").arg(check)
                                 << "ok | " + checks
                    + " | 0/0///0 | 1000 off, 0 off | 0 0, 0 0, 0 0, 0 [] []";
        }
        // OK stores the nine texts and applies the usable ones; a resting Timer3 waits.
        const char *before
            = "store jiaoshimiao=20;gaojingflag=1;gaojingmiao=300;pingbifen=5|load|click Check1|"
              "click Check3|click Check4|type Combo3 UTC+9|type Combo5  UTC+8 |";
        row("OK: 7.5 applies 8",
            (QByteArray(before)
             + "type Combo1 7.5|type Combo2 850|type Combo6 15|click Command5|"
               "stored 1;7.5;1;850;1;15;1;UTC+9; UTC+8 ")
                .constData(),
            "ok | 1111 | 7.5/850/UTC+9/ UTC+8 /15 | 1000 off, 850 ticking | "
            "1 8, 1 850, 1 15, 0 [UTC+9] [ UTC+8 ]");
        row("OK: bad texts keep their values, the others apply",
            (QByteArray(before) + "type Combo1 often|type Combo2 -100|type Combo6 1|click Command5")
                .constData(),
            "ok | 1111 | often/-100/UTC+9/ UTC+8 /1 | 1000 off, 300 ticking | "
            "1 20, 1 300, 1 1, 0 [UTC+9] [ UTC+8 ]");
        // After OK and a restart each option comes back from its own control, the flags
        // one way and then the other.
        const char *typed = "load|click Check1|click Check2|click Check3|click Check4|"
                            "type Combo1 30|type Combo2 850|type Combo3 UTC+9|type Combo5 UTC+1|"
                            "type Combo6 15|";
        row("restart: delay and zone on",
            (QByteArray(typed) + "click Check1|click Check4|click Command5|restart").constData(),
            "ok | 0110 | 30/850/UTC+9/UTC+1/15 | 1000 off, 850 ticking | "
            "0 30, 1 850, 0 15, 1 [UTC+9] [UTC+1]");
        row("restart: correction and window on",
            (QByteArray(typed) + "click Check2|click Check3|click Command5|restart").constData(),
            "ok | 1001 | 30/850/UTC+9/UTC+1/15 | 1000 ticking, 850 off | "
            "1 30, 0 850, 1 15, 0 [UTC+9] [UTC+1]");
    }
    void panel()
    {
        QFETCH(QString, steps);
        QString loaded = QStringLiteral("-");
        for (const QString &step : steps.split(u'|')) {
            const QString command = step.section(u' ', 0, 0);
            const QString argument = step.section(u' ', 1);
            if (command == u"store") {
                for (const QString &pair : argument.split(u';')) {
                    m_store->setValue(QStringLiteral("Properties"), pair.section(u'=', 0, 0),
                                      pair.section(u'=', 1));
                }
            } else if (command == u"load") {
                loaded = m_panel->LoadCorrectionSettings() ? "refused" : "ok";
            } else if (command == u"click") {
                QTest::mouseClick(m_page->findChild<QWidget *>(argument), Qt::LeftButton, {},
                                  QPoint(5, 5));
            } else if (command == u"type") {
                QLineEdit *edit
                    = m_page->findChild<QComboBox *>(argument.section(u' ', 0, 0))->lineEdit();
                edit->selectAll();
                QTest::keyClicks(edit, argument.section(u' ', 1));
            } else if (command == u"restart") {
                m_panel.reset();
                m_store = std::make_unique<SettingsStore>(m_store->fileName());
                buildPage();
                loaded = m_panel->LoadCorrectionSettings() ? "refused" : "ok";
            } else if (command == u"stored") {
                QStringList stored;
                for (const char *key :
                     { "jiaoshiflag", "jiaoshimiao", "gaojingflag", "gaojingmiao", "pingbiflag",
                       "pingbifen", "shiquflag", "shiqu1", "shiqu2" }) {
                    stored << m_store->value(QStringLiteral("Properties"), QLatin1String(key));
                }
                QCOMPARE(stored.join(u';'), argument);
            } else {
                QFAIL(qPrintable(step));
            }
        }
        const OptionsControls &c = m_controls;
        const CorrectionOptions &o = m_options;
        const QStringList combos { c.Combo1->currentText(), c.Combo2->currentText(),
                                   c.Combo3->currentText(), c.Combo5->currentText(),
                                   c.Combo6->currentText() };
        const QString options
            = QString::asprintf("%d %d, %d %d, %d %d, %d [%s] [%s]", o.correctOn, o.correctPeriod,
                                o.delayOn, o.delayMs, o.maskOn, o.maskMinutes, o.zoneOn,
                                qUtf8Printable(o.zoneSignal), qUtf8Printable(o.zoneComputer));
        QTEST(QStringList({ loaded, groups(), combos.join(u'/'),
                            timerState(*m_timer3) + ", " + timerState(*m_timer4), options })
                  .join(QStringLiteral(" | ")),
              "expected");
    }

private:
    // The "SYSTEM" page's controls, fresh, in front, on the current store.
    void buildPage()
    {
        m_panel.reset();
        m_page = std::make_unique<QWidget>();
        const QHash<QString, QWidget *> built
            = LayoutBuilder::build(m_page.get(), MainWindowLayout::controls());
        const auto find = [&built]<typename T>(T *&control, const QString &name) {
            control = qobject_cast<T *>(built.value(name));
            QVERIFY2(control, qPrintable(name));
        };
        OptionsControls &c = m_controls;
        int number = 0;
        for (QCheckBox **box : { &c.Check1, &c.Check2, &c.Check3, &c.Check4 }) {
            find(*box, QStringLiteral("Check%1").arg(++number));
        }
        find(c.Frame3, QStringLiteral("Frame3"));
        for (int index = 0; index < 8; ++index) {
            find(c.Label6[index], QStringLiteral("Label6(%1)").arg(index));
        }
        find(c.Combo1, QStringLiteral("Combo1"));
        find(c.Combo2, QStringLiteral("Combo2"));
        find(c.Combo3, QStringLiteral("Combo3"));
        find(c.Combo5, QStringLiteral("Combo5"));
        find(c.Combo6, QStringLiteral("Combo6"));
        find(c.Command5, QStringLiteral("Command5"));
        for (const char *tabs : { "SSTab3", "SSTab1" }) {
            static_cast<TabControl *>(built.value(QLatin1String(tabs)))->setCurrentIndex(1);
        }
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        m_options = CorrectionOptions {};
        m_timer3 = std::make_unique<IntervalTimer>();
        m_timer4 = std::make_unique<IntervalTimer>();
        m_panel = std::make_unique<OptionsPanel>(c, m_options, *m_store, *m_timer3, *m_timer4);
        m_panel->connectControls();
    }
    // For each check box "1" or "0", or "?" when a control it enables is not enabled as it.
    QString groups() const
    {
        QString state;
        for (const char *group :
             { "Check1 Frame3 Label6(0) Label6(1) Combo1", "Check2 Label6(2) Label6(3) Combo2",
               "Check3 Label6(4) Label6(5) Combo3 Combo5", "Check4 Label6(6) Combo6" }) {
            const QStringList names = QString::fromLatin1(group).split(u' ');
            const bool checked = m_page->findChild<QCheckBox *>(names.first())->isChecked();
            const bool agree = std::all_of(names.cbegin() + 1, names.cend(), [&](const QString &n) {
                return m_page->findChild<QWidget *>(n)->isEnabled() == checked;
            });
            state += !agree ? u'?' : checked ? u'1' : u'0';
        }
        return state;
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
