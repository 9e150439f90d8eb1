#include "about/dialogplacement.h"
#include "about/frmabout.h"
#include "fakeregistry.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

// Presses a mouse button where a user would, through the window, so that the press reaches
// whatever widget lies under that point and travels up from there as a real one does.
void pressAt(QWidget *dialog, Qt::MouseButton button, const QPoint &position)
{
    QWindow *window = dialog->windowHandle();
    QTest::mousePress(window, button, {}, position);
    // Let go away from where it was pressed, so that a press on a button is not a click.
    QTest::mouseRelease(window, button, {}, QPoint(1, 1));
}

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT
private slots:
    void textsAfterLoading()
    {
        frmAbout dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("frmAbout"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("关于 VALTORA"));
        QCOMPARE(dialog.lblVersion->text(), QStringLiteral("版本 3.9.1"));
        QCOMPARE(dialog.lblDescription->text(), QStringLiteral("应用程序描述：VALTORA"));
        QCOMPARE(dialog.lblDisclaimer->text(), QStringLiteral("警告：VALTORA"));
        QVERIFY(dialog.lblDisclaimer->text().contains(QChar(0xFF1A)));
        QCOMPARE(dialog.cmdOK->text(), QStringLiteral("确定"));
        QCOMPARE(dialog.cmdSysInfo->text(), QStringLiteral("系统信息(&S)..."));
        QVERIFY(!dialog.Label1->text().isEmpty());
        QVERIFY(!dialog.Label3->text().isEmpty());
        QCOMPARE(dialog.findChild<QWidget *>(QStringLiteral("Line1(0)")), dialog.Line1[0]);
        QCOMPARE(dialog.findChild<QWidget *>(QStringLiteral("Line1(1)")), dialog.Line1[1]);
    }

    void geometryInPixels()
    {
        frmAbout dialog;
        QCOMPARE(dialog.size(), QSize(414, 264));
        QCOMPARE(dialog.palette().color(QPalette::Window), QColor(192, 192, 192));
        QCOMPARE(dialog.cmdOK->geometry(), QRect(288, 200, 100, 23));
        QCOMPARE(dialog.cmdSysInfo->geometry(), QRect(288, 232, 99, 23));
        QCOMPARE(dialog.lblVersion->geometry(), QRect(240, 24, 113, 15));
        QCOMPARE(dialog.Label1->geometry(), QRect(24, 128, 377, 31));
        QCOMPARE(dialog.Line1[1]->geometry(), QRect(24, 192, 371, 1));
        QCOMPARE(dialog.Line1[0]->geometry(), QRect(24, 192, 370, 2));
        // The grey line lies over the white one.
        QCOMPARE(dialog.childAt(30, 192), nullptr); // both let presses through
        QVERIFY(dialog.children().indexOf(dialog.Line1[1])
                > dialog.children().indexOf(dialog.Line1[0]));
    }

    void centredWhenShown()
    {
        frmAbout dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(dialog.frameGeometry().topLeft(),
                 screen.topLeft()
                     + QPoint((screen.width() - dialog.frameGeometry().width()) / 2,
                              (screen.height() - dialog.frameGeometry().height()) / 2));
    }

    void centring_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QSize>("dialog");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("fits") << QRect(0, 0, 800, 600) << QSize(414, 290) << QPoint(193, 155);
        QTest::newRow("odd difference rounds down")
            << QRect(0, 0, 801, 601) << QSize(414, 290) << QPoint(193, 155);
        QTest::newRow("screen smaller than the dialog")
            << QRect(0, 0, 320, 200) << QSize(414, 290) << QPoint(-47, -45);
        QTest::newRow("smaller and odd")
            << QRect(0, 0, 320, 200) << QSize(415, 291) << QPoint(-48, -46);
        QTest::newRow("screen right of another")
            << QRect(1920, 0, 1280, 1024) << QSize(414, 290) << QPoint(2353, 367);
    }
    void centring()
    {
        QFETCH(QRect, screen);
        QFETCH(QSize, dialog);
        QFETCH(QPoint, expected);
        QCOMPARE(centredWindowPosition(screen, dialog), expected);
    }

    void recentringOnceFramed_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("expected"); // (-1, -1): stays
        // Centred on 414 x 264 on a 1280 x 1024 screen, the inside was put at (433, 380).
        QTest::newRow("frame not known yet")
            << QRect(433, 380, 414, 264) << QRect(433, 380, 414, 264) << QPoint(-1, -1);
        QTest::newRow("framed: centred on the outer size")
            << QRect(433, 380, 414, 264) << QRect(432, 360, 416, 285) << QPoint(432, 369);
        QTest::newRow("moved by the user before the frame came")
            << QRect(500, 380, 414, 264) << QRect(499, 360, 416, 285) << QPoint(-1, -1);
    }
    void recentringOnceFramed()
    {
        QFETCH(QRect, geometry);
        QFETCH(QRect, frame);
        QFETCH(QPoint, expected);
        const std::optional<QPoint> position
            = recentredOnceFramed(QRect(0, 0, 1280, 1024), QPoint(433, 380), geometry, frame);
        QCOMPARE(position.value_or(QPoint(-1, -1)), expected);
    }

    void keysClose_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("key");
        QTest::newRow("Enter on OK") << "cmdOK" << int(Qt::Key_Return);
        QTest::newRow("Esc on OK") << "cmdOK" << int(Qt::Key_Escape);
        QTest::newRow("Enter on the system-information button")
            << "cmdSysInfo" << int(Qt::Key_Return);
        QTest::newRow("keypad Enter on the system-information button")
            << "cmdSysInfo" << int(Qt::Key_Enter);
        QTest::newRow("Esc on the system-information button")
            << "cmdSysInfo" << int(Qt::Key_Escape);
        QTest::newRow("Enter on a label") << "lblVersion" << int(Qt::Key_Return);
        QTest::newRow("Esc on the dialog") << "frmAbout" << int(Qt::Key_Escape);
    }
    void keysClose()
    {
        QFETCH(QString, target);
        QFETCH(int, key);
        frmAbout dialog;
        int starts = 0;
        dialog.systemInformation().setStarter([&starts](const QString &) {
            ++starts;
            return true;
        });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QWidget *widget
            = target == dialog.objectName() ? &dialog : dialog.findChild<QWidget *>(target);
        QVERIFY(widget != nullptr);
        if (widget->focusPolicy() != Qt::NoFocus) {
            widget->setFocus();
        }
        QTest::keyClick(widget, Qt::Key(key));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(starts, 0);
    }

    void accessKeyStartsTheTool()
    {
        frmAbout dialog;
        QStringList started;
        auto registry = std::make_unique<FakeRegistry>();
        registry->setText(SystemInformationLauncher::kPathKey, "PATH", "/usr/bin/info-tool");
        dialog.systemInformation().setRegistry(std::move(registry));
        dialog.systemInformation().setStarter([&started](const QString &path) {
            started << path;
            return true;
        });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
        // An access key presses its button visibly, which takes a moment.
        QTRY_COMPARE(started, QStringList { QStringLiteral("/usr/bin/info-tool") });
        QVERIFY(dialog.isVisible());
    }

    void failureShowsTheMessageAndKeepsTheDialog()
    {
        frmAbout dialog;
        dialog.systemInformation().setRegistry(std::make_unique<FakeRegistry>());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QString seenText;
        QString seenTitle;
        QMessageBox::StandardButtons seenButtons;
        QTimer::singleShot(0, this, [&] {
            auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            seenText = box->text();
            seenTitle = box->windowTitle();
            seenButtons = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(dialog.cmdSysInfo, Qt::LeftButton);
        QCOMPARE(seenText, QStringLiteral("此时系统信息无效"));
        QCOMPARE(seenTitle, QStringLiteral("VALTORA"));
        QCOMPARE(seenButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(dialog.isVisible());
    }

    void okClickCloses()
    {
        frmAbout dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void pressesMove_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("moves");
        QTest::newRow("left on the surface") << "surface" << int(Qt::LeftButton) << 1;
        QTest::newRow("right on the surface") << "surface" << int(Qt::RightButton) << 1;
        QTest::newRow("middle on the surface") << "surface" << int(Qt::MiddleButton) << 1;
        QTest::newRow("left on the grey rule") << "Line1(1)" << int(Qt::LeftButton) << 1;
        QTest::newRow("right on the white rule") << "Line1(0)" << int(Qt::RightButton) << 1;
        QTest::newRow("left on the version label") << "lblVersion" << int(Qt::LeftButton) << 0;
        QTest::newRow("right on a contact line") << "Label3" << int(Qt::RightButton) << 0;
        QTest::newRow("left on the disclaimer") << "lblDisclaimer" << int(Qt::LeftButton) << 0;
        QTest::newRow("left on OK") << "cmdOK" << int(Qt::LeftButton) << 0;
        QTest::newRow("middle on the system-information button")
            << "cmdSysInfo" << int(Qt::MiddleButton) << 0;
        QTest::newRow("right on OK") << "cmdOK" << int(Qt::RightButton) << 0;
    }
    void pressesMove()
    {
        QFETCH(QString, where);
        QFETCH(int, button);
        QFETCH(int, moves);
        frmAbout dialog;
        int asked = 0;
        dialog.setSystemMoveStarter([&asked] { ++asked; });
        dialog.systemInformation().setStarter([](const QString &) { return true; });
        dialog.systemInformation().setMessageReporter([](const QString &) {});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QPoint position(5, 5);
        if (where != QLatin1String("surface")) {
            QWidget *child = dialog.findChild<QWidget *>(where);
            QVERIFY(child != nullptr);
            position = child->mapTo(&dialog, QPoint(child->width() / 2, 0));
        }
        pressAt(&dialog, Qt::MouseButton(button), position);
        QCOMPARE(asked, moves);
        QVERIFY(dialog.isVisible());
    }

    void versionResourceFollowsTheBuild()
    {
        QFile file(QStringLiteral(VALTORA_SOURCE_DIR "/about/valtora.rc"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString resource = QString::fromUtf8(file.readAll());
        const VersionInformation information = VersionInformation::application();
        QCOMPARE(information.resourceVersionText(), QStringLiteral("3.09.0001"));
        const QString numbers = QStringLiteral("%1,%2,0,%3")
                                    .arg(information.major)
                                    .arg(information.minor)
                                    .arg(information.revision);
        QVERIFY(resource.contains(QStringLiteral("FILEVERSION ") + numbers));
        QVERIFY(resource.contains(QStringLiteral("PRODUCTVERSION ") + numbers));
        const QString quoted
            = QLatin1Char('"') + information.resourceVersionText() + QLatin1Char('"');
        QVERIFY(resource.contains(QRegularExpression(QStringLiteral("\"FileVersion\",\\s*")
                                                     + QRegularExpression::escape(quoted))));
        QVERIFY(resource.contains(QRegularExpression(QStringLiteral("\"FileDescription\",\\s*\"")
                                                     + information.fileDescription + '"')));
        QVERIFY(resource.contains(QRegularExpression(QStringLiteral("\"Comments\",\\s*\"")
                                                     + information.comments + '"')));
    }
};

QTEST_MAIN(TestFrmAbout)
#include "test_frmabout.moc"
