#include "frames/receiverframe.h"
#include "frames/receptionpanel.h"
#include "framestest.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestReceptionPanel : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<QWidget> m_window;
    QPlainTextEdit *m_term = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_label7 = nullptr;
    std::unique_ptr<Reception> m_reception;
    ReceptionLogic *m_logic = nullptr;
    std::unique_ptr<ReceptionPanel> m_panel;

private slots:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_term = new QPlainTextEdit(m_window.get());
        m_label2 = new QLabel(m_window.get());
        m_label7 = new QLabel(m_window.get());
        m_reception = std::make_unique<Reception>();
        m_logic = &m_reception->logic;
        m_panel = std::make_unique<ReceptionPanel>(ReceptionControls { m_term, m_label2, m_label7 },
                                                   *m_logic);
        m_window->show();
    }
    void cleanup()
    {
        m_panel.reset();
        m_reception.reset();
        m_window.reset();
    }

    // The first caption shows at once, one right after it at the end of the interval.
    void labelsShowTheFrame()
    {
        m_logic->receiveBytes(kWorkedFrame, 1);
        QCOMPARE(m_label2->text(), kWorkedText);
        QCOMPARE(m_label7->text(), kWorkedText);
        m_logic->Command3_Click();
        QCOMPARE(m_label2->text(), kWorkedText);
        QTRY_COMPARE(m_label2->text(), u"2003-08-23 12:13:1"_s);
        QCOMPARE(m_label7->text(), u"2003-08-23 12:13:1"_s);
    }

    void oneLinePerFrameInTheBox()
    {
        m_logic->receiveBytes(kWorkedFrame + kWorkedFrame.left(4), 1);
        m_logic->receiveBytes(kWorkedFrame.mid(4) + kWorkedFrame, 2);
        QTRY_COMPARE(m_term->toPlainText(),
                     u"\n"_s + kWorkedLine + u"\n"_s + kWorkedLine + u"\n"_s + kWorkedLine);
        QCOMPARE(m_term->document()->blockCount(), 4);
        // The caret stands at the end, where the next bytes go.
        QCOMPARE(m_term->textCursor().position(), m_term->document()->characterCount() - 1);
    }

    // A whole receive event changes the box in one edit, with no undo history growing.
    void oneEditPerReceiveEvent()
    {
        QSignalSpy changes(m_term->document(), &QTextDocument::contentsChange);
        m_logic->receiveBytes(kWorkedFrame.repeated(100), 1);
        QTRY_COMPARE(m_term->toPlainText(), shown(m_logic->dump().text()));
        QVERIFY2(changes.count() <= 2, qPrintable(QString::number(changes.count())));
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
        QTRY_COMPARE(m_label2->text(), u"2026-12-05 12:05:00"_s);
        const qint64 mostEdits = 2 + elapsed.elapsed() / ReceptionPanel::kRefreshIntervalMs;
        QVERIFY2(changes.count() <= mostEdits, qPrintable(QString::number(changes.count())));
    }

    // The box emptied by someone else (the start-up sequence) starts again from empty; bytes
    // waiting while someone types into it follow the typed text.
    void editedBoxIsFollowed()
    {
        m_logic->receiveBytes(kWorkedFrame + kWorkedFrame, 1);
        m_panel->refresh();
        m_term->selectAll();
        m_term->insertPlainText(QString());
        QVERIFY(m_logic->dump().text().isEmpty());
        m_logic->receiveBytes(kWorkedFrame, 2);
        m_panel->refresh();
        QCOMPARE(m_term->toPlainText(), u"\n"_s + kWorkedLine);

        m_logic->receiveBytes(kWorkedFrame.left(2), 3);
        m_term->setPlainText(u"typed"_s);
        m_panel->refresh();
        QCOMPARE(m_term->toPlainText(), u"typed\nAA  A1 "_s);
    }

    // A failed append shows a warning box over the window once the receive event is over: a
    // box opened inside it would let the next receive event run within this one.
    void failureShowsAMessageBox()
    {
        QStringList seen;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box) {
                seen = QStringList { box->windowTitle(), box->text() };
                seen << (box->icon() == QMessageBox::Warning ? u"warning"_s : u"no warning"_s);
                seen << (box->parentWidget() == m_window.get() ? u"window"_s : u"no window"_s);
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        });
        answerer.start(20);
        m_logic->ShowData(u"AA 03 "_s);
        QVERIFY(seen.isEmpty());
        const QString message = u"showdata:Invalid procedure call or argument"_s;
        QTRY_COMPARE(seen, (QStringList { u"VALTORA"_s, message, u"warning"_s, u"window"_s }));
        QTRY_COMPARE(m_term->toPlainText(), u"AA 03 "_s);
    }
};

QTEST_MAIN(TestReceptionPanel)
#include "test_receptionpanel.moc"
