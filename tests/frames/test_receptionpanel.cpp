#include "frames/receiverframe.h"
#include "frames/receptionlogic.h"
#include "frames/receptionpanel.h"
#include "manualclock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray kFrame = QByteArray::fromHex("AAA1A2200308230412130403");
const QString kFrameLine = QStringLiteral("AA  A1  A2  20  03  08  23  04  12  13  04  03 ");

// What a box shows for a text: every CR LF pair, lone CR and lone LF is one line break.
QString shown(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

class TestReceptionPanel : public QObject
{
    Q_OBJECT
private:
    ManualClock m_clock;
    std::unique_ptr<QWidget> m_window;
    QPlainTextEdit *m_term = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_label7 = nullptr;
    std::unique_ptr<ReceptionLogic> m_logic;
    std::unique_ptr<ReceptionPanel> m_panel;

private slots:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_term = new QPlainTextEdit(m_window.get());
        m_label2 = new QLabel(m_window.get());
        m_label7 = new QLabel(m_window.get());
        m_logic = std::make_unique<ReceptionLogic>(m_clock, [] { return false; });
        const ReceptionControls controls { m_term, m_label2, m_label7 };
        m_panel = std::make_unique<ReceptionPanel>(controls, *m_logic);
        m_window->show();
    }
    void cleanup()
    {
        m_panel.reset();
        m_logic.reset();
        m_window.reset();
    }

    void labelsShowTheFrame()
    {
        m_logic->receiveBytes(kFrame, 1);
        QCOMPARE(m_label2->text(), QStringLiteral("2003-08-23 12:13:04"));
        QCOMPARE(m_label7->text(), QStringLiteral("2003-08-23 12:13:04"));
        // A second caption right after the first waits for the end of the interval.
        m_logic->Command3_Click();
        QCOMPARE(m_label2->text(), QStringLiteral("2003-08-23 12:13:04"));
        QTRY_COMPARE(m_label2->text(), QStringLiteral("2003-08-23 12:13:1"));
        QCOMPARE(m_label7->text(), QStringLiteral("2003-08-23 12:13:1"));
    }

    void oneLinePerFrameInTheBox()
    {
        m_logic->receiveBytes(kFrame + kFrame.left(4), 1);
        m_logic->receiveBytes(kFrame.mid(4) + kFrame, 2);
        QTRY_COMPARE(m_term->toPlainText(),
                     QStringLiteral("\n") + kFrameLine + QStringLiteral("\n") + kFrameLine
                         + QStringLiteral("\n") + kFrameLine);
        QCOMPARE(m_term->document()->blockCount(), 4);
        // The caret stands at the end, where the next bytes go.
        QCOMPARE(m_term->textCursor().position(), m_term->document()->characterCount() - 1);
    }

    // A whole receive event changes the box in one edit, however many bytes it carried.
    void oneEditPerReceiveEvent()
    {
        QSignalSpy changes(m_term->document(), &QTextDocument::contentsChange);
        QByteArray burst;
        for (int frame = 0; frame < 100; ++frame) {
            burst += kFrame;
        }
        m_logic->receiveBytes(burst, 1);
        QTRY_COMPARE(m_term->toPlainText(), shown(m_logic->dump().text()));
        QVERIFY2(changes.count() <= 2, qPrintable(QString::number(changes.count())));
        QVERIFY(m_term->toPlainText().size() <= DumpText::kCutThreshold);
    }

    // Past 10000 characters the box drops its oldest part like the text it mirrors, without
    // being rewritten: the first line left is cut in the middle.
    void longStreamIsCut()
    {
        QSignalSpy changes(m_term->document(), &QTextDocument::contentsChange);
        for (int frame = 0; frame < 400; ++frame) {
            m_logic->receiveBytes(kFrame, frame);
            m_panel->refresh();
            QCOMPARE(m_term->toPlainText(), shown(m_logic->dump().text()));
        }
        QVERIFY(m_logic->dump().text().size() <= DumpText::kCutThreshold + 4);
        QVERIFY(!m_term->toPlainText().startsWith(QStringLiteral("\nAA")));
        QCOMPARE(m_term->textCursor().position(), m_term->document()->characterCount() - 1);
        QVERIFY(!m_term->document()->isUndoAvailable());
    }

    // A flood of small receive events is gathered into a few edits of the box and labels.
    void floodIsGathered()
    {
        QSignalSpy changes(m_term->document(), &QTextDocument::contentsChange);
        QElapsedTimer elapsed;
        elapsed.start();
        QDateTime time(QDate(2026, 12, 5), QTime(12, 0));
        for (int event = 0; event < 300; ++event) {
            time = time.addSecs(1);
            m_logic->receiveBytes(receiverFrame(time), event);
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE(m_term->toPlainText(), shown(m_logic->dump().text()));
        QTRY_COMPARE(m_label2->text(), QStringLiteral("2026-12-05 12:05:00"));
        const qint64 mostEdits = 2 + elapsed.elapsed() / ReceptionPanel::kRefreshIntervalMs;
        QVERIFY2(changes.count() <= mostEdits, qPrintable(QString::number(changes.count())));
    }

    // The box emptied by someone else (the start-up sequence) starts again from empty.
    void emptiedBoxIsFollowed()
    {
        m_logic->receiveBytes(kFrame + kFrame, 1);
        m_panel->refresh();
        m_term->selectAll();
        m_term->insertPlainText(QString());
        QVERIFY(m_logic->dump().text().isEmpty());
        m_logic->receiveBytes(kFrame, 2);
        m_panel->refresh();
        QCOMPARE(m_term->toPlainText(), QStringLiteral("\n") + kFrameLine);

        // Typed into while received bytes wait for the box: they follow the typed text.
        m_logic->receiveBytes(kFrame.left(2), 3);
        m_term->setPlainText(QStringLiteral("typed"));
        m_panel->refresh();
        QCOMPARE(m_term->toPlainText(), QStringLiteral("typed\nAA  A1 "));
    }

    void failureGoesToTheReporterAfterTheEvent()
    {
        QStringList reports;
        m_panel->setMessageReporter(
            [&](QWidget *parent, const QString &title, const QString &text) {
                QCOMPARE(parent, m_window.get());
                reports << title + QLatin1Char('|') + text;
            });
        m_logic->ShowData(QStringLiteral("AA 03 "));
        QVERIFY(reports.isEmpty()); // not inside the event that failed
        QTRY_COMPARE(reports.size(), 1);
        QCOMPARE(reports.first(),
                 QStringLiteral("VALTORA|showdata:Invalid procedure call or argument"));
        QTRY_COMPARE(m_term->toPlainText(), QStringLiteral("AA 03 "));
    }

    void failureShowsAMessageBox()
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool answered = false;
        QTimer answerer;
        answerer.setInterval(20);
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) {
                return;
            }
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            answered = true;
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
        answerer.start();
        m_logic->ShowData(QStringLiteral("AA"));
        QTRY_VERIFY(answered);
        QCOMPARE(title, QStringLiteral("VALTORA"));
        QCOMPARE(text, QStringLiteral("showdata:Invalid procedure call or argument"));
        QCOMPARE(icon, QMessageBox::Warning);
    }

    void encodedFramesShowInTheBox()
    {
        const QDateTime time(QDate(2026, 12, 5), QTime(23, 59, 58));
        m_logic->receiveBytes(receiverFrame(time), 1);
        QCOMPARE(m_label2->text(), QStringLiteral("2026-12-05 23:59:58"));
        QTRY_COMPARE(m_term->toPlainText(),
                     QStringLiteral("\nAA  A1  A2  20  26  12  05  06  23  59  58  03 "));
    }
};

QTEST_MAIN(TestReceptionPanel)
#include "test_receptionpanel.moc"
