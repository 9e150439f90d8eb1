#include "common/intervaltimer.h"
#include "common/settingsstore.h"
#include "correction/correctionoptions.h"
#include "correction/optionspanel.h"

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

const QString kSection = QString::fromLatin1(SettingsStore::kPropertiesSection);

// The "SYSTEM" page's controls, nested the way the window nests them, in their design state.
class SystemPage : public QWidget
{
public:
    SystemPage()
    {
        auto *layout = new QVBoxLayout(this);
        controls.Check1 = addCheck(layout, "Check1");
        controls.Frame3 = new QGroupBox(this);
        controls.Frame3->setObjectName(QStringLiteral("Frame3"));
        layout->addWidget(controls.Frame3);
        auto *frameLayout = new QVBoxLayout(controls.Frame3);
        for (int index = 0; index < 8; ++index) {
            QWidget *parent = index < 2 ? controls.Frame3 : static_cast<QWidget *>(this);
            auto *label = new QLabel(parent);
            label->setObjectName(QStringLiteral("Label6(%1)").arg(index));
            label->setEnabled(false);
            (index < 2 ? static_cast<QLayout *>(frameLayout) : layout)->addWidget(label);
            controls.Label6[index] = label;
        }
        controls.Combo1 = addCombo(frameLayout, controls.Frame3, "Combo1", "Combo1");
        controls.Check2 = addCheck(layout, "Check2");
        controls.Combo2 = addCombo(layout, this, "Combo2", "Combo1");
        controls.Check3 = addCheck(layout, "Check3");
        controls.Combo3 = addCombo(layout, this, "Combo3", "北京时间");
        controls.Combo5 = addCombo(layout, this, "Combo5", "北京时间");
        controls.Check4 = addCheck(layout, "Check4");
        controls.Combo6 = addCombo(layout, this, "Combo6", "60");
        controls.Command5 = new QPushButton(QStringLiteral("OK"), this);
        layout->addWidget(controls.Command5);
    }

    // The controls that each check box enables, by check box.
    QList<QWidget *> group(int check) const
    {
        switch (check) {
        case 1:
            return { controls.Frame3, controls.Label6[0], controls.Label6[1], controls.Combo1 };
        case 2:
            return { controls.Label6[2], controls.Label6[3], controls.Combo2 };
        case 3:
            return { controls.Label6[4], controls.Label6[5], controls.Combo3, controls.Combo5 };
        default:
            return { controls.Label6[6], controls.Combo6 };
        }
    }
    QCheckBox *check(int number) const
    {
        return QList<QCheckBox *> { controls.Check1, controls.Check2, controls.Check3,
                                    controls.Check4 }
            .at(number - 1);
    }

    OptionsControls controls;

private:
    QCheckBox *addCheck(QVBoxLayout *layout, const char *name)
    {
        auto *box = new QCheckBox(QString::fromLatin1(name), this);
        box->setObjectName(QString::fromLatin1(name));
        layout->addWidget(box);
        return box;
    }
    QComboBox *addCombo(QLayout *layout, QWidget *parent, const char *name, const char *text)
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

} // namespace

class TestOptionsPanel : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_folder.isValid());
        m_storePath = m_folder.filePath(QStringLiteral("case%1.ini").arg(++m_case));
        m_store = std::make_unique<SettingsStore>(m_storePath);
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

    void emptyStoreShowsZerosAndDisabledGroups()
    {
        QVERIFY(!m_panel->LoadCorrectionSettings());

        for (int number = 1; number <= 4; ++number) {
            QVERIFY2(!m_page->check(number)->isChecked(), qPrintable(QString::number(number)));
            for (QWidget *member : m_page->group(number)) {
                QVERIFY2(!member->isEnabled(), qPrintable(member->objectName()));
            }
        }
        const OptionsControls &controls = m_page->controls;
        QCOMPARE(controls.Combo1->currentText(), QStringLiteral("0"));
        QCOMPARE(controls.Combo2->currentText(), QStringLiteral("0"));
        QCOMPARE(controls.Combo6->currentText(), QStringLiteral("0"));
        QCOMPARE(controls.Combo3->currentText(), QString());
        QCOMPARE(controls.Combo5->currentText(), QString());
        QVERIFY(!m_timer3->isTicking());
        QVERIFY(!m_timer4->isTicking());
        QCOMPARE(m_timer3->interval(), 1000);
    }

    void storedOptionsFillTheControlsAndArmTheTimers()
    {
        store({ { "jiaoshiflag", "-1" },
                { "jiaoshimiao", "7.5" },
                { "gaojingflag", "5" },
                { "gaojingmiao", "300" },
                { "pingbiflag", "1" },
                { "pingbifen", "30abc" },
                { "shiquflag", "abc" },
                { "shiqu1", "北京时间" },
                { "shiqu2", "UTC+8" } });

        QVERIFY(!m_panel->LoadCorrectionSettings());

        const OptionsControls &controls = m_page->controls;
        QVERIFY(controls.Check1->isChecked());
        QVERIFY(controls.Check2->isChecked());
        QVERIFY(!controls.Check3->isChecked());
        QVERIFY(controls.Check4->isChecked());
        QCOMPARE(controls.Combo1->currentText(), QStringLiteral("8"));
        QCOMPARE(controls.Combo2->currentText(), QStringLiteral("300"));
        QCOMPARE(controls.Combo6->currentText(), QStringLiteral("30"));
        QCOMPARE(controls.Combo3->currentText(), QString::fromUtf8("北京时间"));
        QCOMPARE(controls.Combo5->currentText(), QStringLiteral("UTC+8"));
        for (int number = 1; number <= 4; ++number) {
            for (QWidget *member : m_page->group(number)) {
                QCOMPARE(member->isEnabled(), number != 3);
            }
        }
        QVERIFY(m_timer3->isTicking());
        QCOMPARE(m_timer3->interval(), 1000);
        QVERIFY(m_timer4->isTicking());
        QCOMPARE(m_timer4->interval(), 300);
    }

    void outOfRangeValueAbandonsTheRest()
    {
        store({ { "jiaoshiflag", "1" },
                { "jiaoshimiao", "5" },
                { "gaojingflag", "1" },
                { "gaojingmiao", "99999" },
                { "pingbiflag", "1" },
                { "shiqu1", "A" } });

        QVERIFY(m_panel->LoadCorrectionSettings().has_value());

        // The fields read before the bad value are in force, the rest keep their start values,
        // and the controls and timers were never reached.
        QCOMPARE(m_options.correctOn, true);
        QCOMPARE(m_options.correctPeriod, qint16(5));
        QCOMPARE(m_options.delayOn, true);
        QCOMPARE(m_options.delayMs, qint16(0));
        QCOMPARE(m_options.maskOn, false);
        QCOMPARE(m_options.zoneSignal, QString());
        const OptionsControls &controls = m_page->controls;
        QVERIFY(!controls.Check1->isChecked());
        QCOMPARE(controls.Combo1->currentText(), QStringLiteral("Combo1"));
        QCOMPARE(controls.Combo6->currentText(), QStringLiteral("60"));
        QVERIFY(!controls.Combo1->isEnabled());
        QVERIFY(!m_timer3->isEnabled());
        QVERIFY(!m_timer4->isEnabled());
    }

    void negativeDelayStopsAtTheTimers()
    {
        store({ { "jiaoshiflag", "1" },
                { "jiaoshimiao", "5" },
                { "gaojingflag", "1" },
                { "gaojingmiao", "-300" } });

        QVERIFY(m_panel->LoadCorrectionSettings().has_value());

        // The controls show what was loaded; no timer was started.
        QVERIFY(m_page->controls.Check1->isChecked());
        QCOMPARE(m_page->controls.Combo2->currentText(), QStringLiteral("-300"));
        QCOMPARE(m_timer3->interval(), 1000);
        QCOMPARE(m_timer4->interval(), 0);
        QVERIFY(!m_timer3->isEnabled());
        QVERIFY(!m_timer4->isEnabled());
    }

    void clickingACheckBoxChangesOnlyItsGroup_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::newRow("Check1") << 1;
        QTest::newRow("Check2") << 2;
        QTest::newRow("Check3") << 3;
        QTest::newRow("Check4") << 4;
    }
    void clickingACheckBoxChangesOnlyItsGroup()
    {
        QFETCH(int, clicked);
        QVERIFY(!m_panel->LoadCorrectionSettings());
        QCheckBox *box = m_page->check(clicked);

        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));

        QVERIFY(box->isChecked());
        for (int number = 1; number <= 4; ++number) {
            for (QWidget *member : m_page->group(number)) {
                QVERIFY2(member->isEnabled() == (number == clicked),
                         qPrintable(member->objectName()));
            }
        }
        // A click changes no option and starts no timer: only OK applies.
        QCOMPARE(m_options.correctOn, false);
        QCOMPARE(m_options.delayOn, false);
        QCOMPARE(m_options.maskOn, false);
        QVERIFY(!m_timer3->isEnabled());
        QVERIFY(!m_timer4->isEnabled());
        QVERIFY(m_store->value(kSection, QStringLiteral("jiaoshiflag")).isEmpty());

        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
        for (QWidget *member : m_page->group(clicked)) {
            QVERIFY(!member->isEnabled());
        }
    }

    void okStoresTheTextsAndAppliesTheNumbers()
    {
        QVERIFY(!m_panel->LoadCorrectionSettings());
        const OptionsControls &controls = m_page->controls;
        QTest::mouseClick(controls.Check1, Qt::LeftButton, {}, QPoint(5, 5));
        controls.Combo1->lineEdit()->selectAll();
        QTest::keyClicks(controls.Combo1->lineEdit(), QStringLiteral("7.5"));
        controls.Combo2->setEditText(QStringLiteral("850"));
        controls.Combo3->setEditText(QString::fromUtf8("北京时间"));
        controls.Combo5->setEditText(QStringLiteral(" UTC+8 "));

        QTest::mouseClick(controls.Command5, Qt::LeftButton);

        QCOMPARE(m_store->value(kSection, QStringLiteral("jiaoshiflag")), QStringLiteral("1"));
        QCOMPARE(m_store->value(kSection, QStringLiteral("jiaoshimiao")), QStringLiteral("7.5"));
        QCOMPARE(m_store->value(kSection, QStringLiteral("gaojingflag")), QStringLiteral("0"));
        QCOMPARE(m_store->value(kSection, QStringLiteral("gaojingmiao")), QStringLiteral("850"));
        QCOMPARE(m_store->value(kSection, QStringLiteral("pingbifen")), QStringLiteral("0"));
        QCOMPARE(m_store->value(kSection, QStringLiteral("shiqu1")), QString::fromUtf8("北京时间"));
        QCOMPARE(m_store->value(kSection, QStringLiteral("shiqu2")), QStringLiteral(" UTC+8 "));
        QCOMPARE(m_options.correctOn, true);
        QCOMPARE(m_options.correctPeriod, qint16(8));
        QCOMPARE(m_options.delayMs, qint16(850));
        QCOMPARE(m_timer4->interval(), 850);
        QCOMPARE(m_options.zoneComputer, QStringLiteral(" UTC+8 "));
        // Turning correction on does not start a stopped Timer3.
        QVERIFY(!m_timer3->isEnabled());
    }

    void okWithBadTextsKeepsThePreviousValues()
    {
        store({ { "jiaoshiflag", "1" },
                { "jiaoshimiao", "30" },
                { "gaojingflag", "1" },
                { "gaojingmiao", "300" },
                { "pingbiflag", "1" },
                { "pingbifen", "5" } });
        QVERIFY(!m_panel->LoadCorrectionSettings());
        const OptionsControls &controls = m_page->controls;
        controls.Combo1->setEditText(QStringLiteral("often"));
        controls.Combo2->setEditText(QStringLiteral("-100"));
        controls.Combo6->setEditText(QStringLiteral("99999"));

        QTest::mouseClick(controls.Command5, Qt::LeftButton);

        QCOMPARE(m_store->value(kSection, QStringLiteral("jiaoshimiao")), QStringLiteral("often"));
        QCOMPARE(m_store->value(kSection, QStringLiteral("gaojingmiao")), QStringLiteral("-100"));
        QCOMPARE(m_options.correctPeriod, qint16(30));
        QCOMPARE(m_options.delayMs, qint16(300));
        QCOMPARE(m_options.maskMinutes, qint16(5));
        QCOMPARE(m_timer4->interval(), 300);
        QVERIFY(m_timer3->isTicking());
        QVERIFY(m_timer4->isTicking());
    }

    void choicesSurviveARestart()
    {
        QVERIFY(!m_panel->LoadCorrectionSettings());
        const OptionsControls &controls = m_page->controls;
        for (QCheckBox *box :
             { controls.Check1, controls.Check2, controls.Check3, controls.Check4 }) {
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
        }
        controls.Combo1->setEditText(QStringLiteral("60"));
        controls.Combo2->setEditText(QStringLiteral("950"));
        controls.Combo3->setEditText(QStringLiteral("A"));
        controls.Combo5->setEditText(QStringLiteral("B"));
        controls.Combo6->setEditText(QStringLiteral("15"));
        QTest::mouseClick(controls.Command5, Qt::LeftButton);
        // Time-zone recognition is stored, but keeps its loaded value until the next start.
        QCOMPARE(m_options.zoneOn, false);
        QCOMPARE(m_store->value(kSection, QStringLiteral("shiquflag")), QStringLiteral("1"));

        SystemPage restarted;
        CorrectionOptions options;
        SettingsStore store(m_storePath);
        IntervalTimer timer3;
        IntervalTimer timer4;
        OptionsPanel panel(restarted.controls, options, store, timer3, timer4);
        QVERIFY(!panel.LoadCorrectionSettings());

        const CorrectionChoices shown = panel.choices();
        QVERIFY(shown.correctOn && shown.delayOn && shown.zoneOn && shown.maskOn);
        QCOMPARE(shown.correctPeriodText, QStringLiteral("60"));
        QCOMPARE(shown.delayMsText, QStringLiteral("950"));
        QCOMPARE(shown.zoneSignal, QStringLiteral("A"));
        QCOMPARE(shown.zoneComputer, QStringLiteral("B"));
        QCOMPARE(shown.maskMinutesText, QStringLiteral("15"));
        QVERIFY(restarted.controls.Combo5->isEnabled());
        QVERIFY(timer3.isTicking());
        QCOMPARE(timer4.interval(), 950);
    }

private:
    void store(std::initializer_list<std::pair<const char *, const char *>> values)
    {
        for (const auto &[key, text] : values) {
            m_store->setValue(kSection, QLatin1String(key), QString::fromUtf8(text));
        }
    }

    QTemporaryDir m_folder;
    QString m_storePath;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<SystemPage> m_page;
    CorrectionOptions m_options;
    std::unique_ptr<IntervalTimer> m_timer3;
    std::unique_ptr<IntervalTimer> m_timer4;
    std::unique_ptr<OptionsPanel> m_panel;
    int m_case = 0;
};

QTEST_MAIN(TestOptionsPanel)
#include "test_optionspanel.moc"
