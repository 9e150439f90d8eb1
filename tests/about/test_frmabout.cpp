#include "about/dialogplacement.h"
#include "about/frmabout.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

class TestFrmAbout : public QObject
{
    Q_OBJECT
private slots:
    // Without a registry the information tool is nowhere to be found.
    void init()
    {
        m_dialog = std::make_unique<frmAbout>();
        m_dialog->systemInformation().setRegistry(nullptr);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    }

    // The version on the dialog and in the Windows resource follows the build's.
    void versionFollowsTheBuild()
    {
        QCOMPARE(m_dialog->lblVersion->text(), QStringLiteral("版本 3.9.1"));
        QCOMPARE(VersionInformation::application().resourceVersionText(),
                 QStringLiteral("3.09.0001"));
        QFile file(QStringLiteral(VALTORA_SOURCE_DIR "/about/valtora.rc"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString resource = QString::fromUtf8(file.readAll()).simplified();
        QVERIFY(resource.contains(QStringLiteral("FILEVERSION 3,9,0,1")));
        QVERIFY(resource.contains(QStringLiteral("PRODUCTVERSION 3,9,0,1")));
        QVERIFY(resource.contains(QStringLiteral("\"FileVersion\", \"3.09.0001\"")));
    }

    // Centred on its outer size; half the difference, rounded down, even off the screen.
    void centring_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QSize>("dialog");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("odd difference rounds down")
            << QRect(0, 0, 801, 601) << QSize(414, 290) << QPoint(193, 155);
        QTest::newRow("smaller and odd")
            << QRect(0, 0, 320, 200) << QSize(415, 291) << QPoint(-48, -46);
        QTest::newRow("screen right of another")
            << QRect(1920, 0, 1280, 1024) << QSize(414, 290) << QPoint(2353, 367);
    }
    void centring()
    {
        QFETCH(QRect, screen);
        QFETCH(QSize, dialog);
        QTEST(centredWindowPosition(screen, dialog), "expected");
        const QRect shownOn = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(m_dialog->frameGeometry().topLeft(),
                 centredWindowPosition(shownOn, m_dialog->frameGeometry().size()));
    }

    // Once the window manager has framed it, centred again on the outer size, unless the
    // user has moved it in the meantime. Put at (433, 380) for 414 x 264 on 1280 x 1024.
    void recentringOnceFramed_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("expected"); // (-1, -1): stays
        QTest::newRow("frame not known yet")
            << QRect(433, 380, 414, 264) << QRect(433, 380, 414, 264) << QPoint(-1, -1);
        QTest::newRow("framed") << QRect(433, 380, 414, 264) << QRect(432, 360, 416, 285)
                                << QPoint(432, 369);
        QTest::newRow("moved by the user before the frame came")
            << QRect(500, 380, 414, 264) << QRect(499, 360, 416, 285) << QPoint(-1, -1);
    }
    void recentringOnceFramed()
    {
        QFETCH(QRect, geometry);
        QFETCH(QRect, frame);
        const std::optional<QPoint> position
            = recentredOnceFramed(QRect(0, 0, 1280, 1024), QPoint(433, 380), geometry, frame);
        QTEST(position.value_or(QPoint(-1, -1)), "expected");
    }

    // OK, Enter and Esc close the dialog and never start the tool; its button and Alt+S (a
    // moment later) look for it, and the dialog's own message box says it is missing.
    void keysAndClicks_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("key"); // 0: a mouse click
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("message"); // empty: none
        const QString missing = QStringLiteral("VALTORA:此时系统信息无效");
        QTest::newRow("click on OK") << "cmdOK" << 0 << 0 << "";
        QTest::newRow("Enter on the system-information button")
            << "cmdSysInfo" << int(Qt::Key_Return) << 0 << "";
        QTest::newRow("keypad Enter on it") << "cmdSysInfo" << int(Qt::Key_Enter) << 0 << "";
        QTest::newRow("Esc on the dialog") << "frmAbout" << int(Qt::Key_Escape) << 0 << "";
        QTest::newRow("click on it") << "cmdSysInfo" << 0 << 0 << missing;
        QTest::newRow("Alt+S") << "frmAbout" << int(Qt::Key_S) << int(Qt::AltModifier) << missing;
    }
    void keysAndClicks()
    {
        QFETCH(QString, target);
        QFETCH(int, key);
        QFETCH(QString, message);
        QString seen;
        QTimer answerer;
        answerer.callOnTimeout([&seen] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen += box->windowTitle() + QLatin1Char(':') + box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        answerer.start(10);
        QWidget *widget = target == QLatin1String("frmAbout")
            ? m_dialog.get()
            : m_dialog->findChild<QWidget *>(target);
        widget->setFocus();
        if (key == 0) {
            QTest::mouseClick(widget, Qt::LeftButton);
        } else {
            QFETCH(int, modifiers);
            QTest::keyClick(widget, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        }
        QTRY_COMPARE(seen, message);
        QCOMPARE(m_dialog->isVisible(), !message.isEmpty());
    }

    // A press on the free surface or the etched rule, with any button, moves the dialog as
    // a title-bar drag would; labels and buttons keep their presses.
    void pressesMove_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("moves");
        QTest::newRow("left on the surface") << "" << int(Qt::LeftButton) << 1;
        QTest::newRow("left on the grey rule") << "Line1(1)" << int(Qt::LeftButton) << 1;
        QTest::newRow("right on the white rule") << "Line1(0)" << int(Qt::RightButton) << 1;
        QTest::newRow("left on the version label") << "lblVersion" << int(Qt::LeftButton) << 0;
        QTest::newRow("right on a contact line") << "Label3" << int(Qt::RightButton) << 0;
        QTest::newRow("middle on the system-information button")
            << "cmdSysInfo" << int(Qt::MiddleButton) << 0;
    }
    void pressesMove()
    {
        QFETCH(QString, where);
        QFETCH(int, button);
        int moves = 0;
        m_dialog->setSystemMoveStarter([&moves] { ++moves; });
        m_dialog->systemInformation().setMessageReporter([](const QString &) { QFAIL("looked"); });
        QPoint position(5, 5);
        if (!where.isEmpty()) {
            QWidget *child = m_dialog->findChild<QWidget *>(where);
            position = child->mapTo(m_dialog.get(), QPoint(child->width() / 2, 0));
        }
        // Let go elsewhere, so that a press on a button is not a click.
        QTest::mousePress(m_dialog->windowHandle(), Qt::MouseButton(button), {}, position);
        QTest::mouseRelease(m_dialog->windowHandle(), Qt::MouseButton(button), {}, QPoint(1, 1));
        QTEST(moves, "moves");
        QVERIFY(m_dialog->isVisible());
    }

private:
    std::unique_ptr<frmAbout> m_dialog;
};

QTEST_MAIN(TestFrmAbout)
#include "test_frmabout.moc"
