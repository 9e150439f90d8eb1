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

namespace {

const QString kWorkedLine = u"\nAA  A1  A2  20  03  08  23  04  12  13  04  03 "_s;

// What a text box shows for a text: every CR LF pair, lone CR and lone LF is one line break.
QString shown(QString text)
{
    return text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
}

// The dump box and both labels in a shown window, fed by the reception logic.
struct Panel
{
    QWidget window;
    QPlainTextEdit *term = new QPlainTextEdit(&window);
    QLabel *label2 = new QLabel(&window);
    QLabel *label7 = new QLabel(&window);
    Reception reception;
    ReceptionLogic &logic = reception.logic;
    ReceptionPanel panel { ReceptionControls { term, label2, label7 }, logic };
    Panel() { window.show(); }
    bool boxShowsDump() const { return term->toPlainText() == shown(logic.dump().text()); }
};

} // namespace

class TestReceptionPanel : public QObject
{
    Q_OBJECT
private slots:
    // The first caption shows at once, one right after it at the end of the interval.
    void labelsShowTheFrame()
    {
        Panel panel;
        panel.logic.receiveBytes(kWorkedFrame, 1);
        QCOMPARE(panel.label2->text() + panel.label7->text(), kWorkedText + kWorkedText);
        panel.logic.Command3_Click();
        QCOMPARE(panel.label2->text(), kWorkedText);
        QTRY_COMPARE(panel.label2->text(), u"2003-08-23 12:13:1"_s);
        QCOMPARE(panel.label7->text(), u"2003-08-23 12:13:1"_s);
    }

    // A whole receive event makes one edit and a flood of them a few, without undo history,
    // the caret at the end where the next bytes go.
    void editsAreGathered()
    {
        Panel panel;
        QSignalSpy changes(panel.term->document(), &QTextDocument::contentsChange);
        panel.logic.receiveBytes(kWorkedFrame.repeated(100) + kWorkedFrame.left(4), 0);
        QTRY_COMPARE(panel.term->toPlainText(), kWorkedLine.repeated(100) + u"\nAA  A1  A2  20 "_s);
        QCOMPARE(changes.count(), 1);
        QElapsedTimer elapsed;
        elapsed.start();
        for (int event = 1; event <= 300; ++event) {
            const QDateTime time(QDate(2026, 12, 5), QTime(12, 0).addSecs(event));
            panel.logic.receiveBytes(receiverFrame(time), event);
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY(panel.boxShowsDump());
        QTRY_COMPARE(panel.label2->text(), u"2026-12-05 12:05:00"_s);
        const qint64 mostEdits = 3 + elapsed.elapsed() / ReceptionPanel::kRefreshIntervalMs;
        QVERIFY2(changes.count() <= mostEdits, qPrintable(QString::number(changes.count())));
        QVERIFY(!panel.term->document()->isUndoAvailable());
        QCOMPARE(panel.term->textCursor().position(), panel.term->document()->characterCount() - 1);
    }

    // The box emptied at start-up starts again from empty, typed text is followed, and a cut
    // into text the box has not got yet leaves box and text equal.
    void editedBoxIsFollowed()
    {
        Panel panel;
        panel.logic.receiveBytes(kWorkedFrame + kWorkedFrame, 1);
        panel.panel.refresh();
        panel.term->selectAll();
        panel.term->insertPlainText(QString());
        QVERIFY(panel.logic.dump().text().isEmpty());
        panel.logic.receiveBytes(kWorkedFrame, 2);
        panel.panel.refresh();
        QCOMPARE(panel.term->toPlainText(), kWorkedLine);
        panel.logic.receiveBytes(kWorkedFrame.left(2), 3);
        panel.term->setPlainText(u"typed"_s);
        panel.panel.refresh();
        QCOMPARE(panel.term->toPlainText(), u"typed\nAA  A1 "_s);
        panel.logic.ShowData(QString(12000, u'x'));
        panel.logic.ShowData(u" 03 "_s); // cuts into text the box has not got yet
        panel.panel.refresh();
        QVERIFY(panel.boxShowsDump());
    }

    // A failed append is reported in a message box once the receive event is over.
    void failureShowsAMessageBox()
    {
        Panel panel;
        QStringList seen;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen = QStringList { box->windowTitle(), box->text() };
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        });
        answerer.start(20);
        panel.logic.ShowData(u"AA 03 "_s);
        QVERIFY(seen.isEmpty());
        const QString message = u"showdata:Invalid procedure call or argument"_s;
        QTRY_COMPARE(seen, (QStringList { u"VALTORA"_s, message }));
        QTRY_COMPARE(panel.term->toPlainText(), u"AA 03 "_s);
    }
};

QTEST_MAIN(TestReceptionPanel)
#include "test_receptionpanel.moc"
