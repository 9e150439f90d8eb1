#include "about/dialogplacement.h"
#include "about/frmabout.h"
#ifndef Q_OS_WIN
#include "about/toolpathregistry.h"
#endif

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <map>

namespace {

// Answers from a table of keys holding values (type and bytes).
class FakeRegistry : public RegistryReader
{
public:
    std::map<std::string, std::map<std::string, std::pair<std::uint32_t, QByteArray>>> keys;
    std::vector<std::string> opened;

    long openKey(std::uint32_t root, const std::string &name, std::uint32_t,
                 RegistryKeyHandle &key) override
    {
        opened.push_back(name);
        key = root == kRegistryLocalMachine && keys.count(name) ? opened.size() : 0;
        return key != 0 ? 0 : kRegistryNotFound;
    }
    long queryValue(RegistryKeyHandle key, const std::string &name, std::uint32_t &type,
                    unsigned char *data, std::uint32_t &size) override
    {
        const auto &values = keys[opened.at(key - 1)];
        if (!values.count(name)) {
            return kRegistryNotFound;
        }
        const QByteArray &bytes = values.at(name).second;
        std::memcpy(data, bytes.data(), bytes.size());
        type = values.at(name).first;
        size = std::uint32_t(bytes.size());
        return 0;
    }
    long closeKey(RegistryKeyHandle) override { return 0; }
};

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    // The path value (a number as "&h" and its bytes in hexadecimal, highest first) is started
    // unchecked; only without it is the folder's tool tried. Any failure ends in the message.
    void startSysInfo_data()
    {
        QTest::addColumn<quint32>("pathType");
        QTest::addColumn<QByteArray>("path"); // null: the key lacks the value
        QTest::addColumn<QString>("folder"); // null: there is no such key
        QTest::addColumn<bool>("startSucceeds");
        QTest::addColumn<QStringList>("steps");
        const QByteArray path("C:\\Info\\msinfo32.exe", 21);
        const QString message = QStringLiteral("message 此时系统信息无效");
        const QString exists = QStringLiteral("exists C:\\Info\\MSINFO32.EXE");
        const QString start = QStringLiteral("start C:\\Info\\MSINFO32.EXE");
        const QString started = QStringLiteral("start C:\\Info\\msinfo32.exe");
        QTest::newRow("text loses its zero, started unchecked")
            << 1u << path << "C:\\Other" << true << QStringList { started };
        QTest::newRow("number") << 4u << QByteArray("\x0D\x0C\x0B\x0A") << QString() << true
                                << QStringList { "start &hABCD" };
        QTest::newRow("path value failing to start")
            << 1u << path << QString() << false << QStringList { started, message };
        QTest::newRow("path value without bytes gives up at once")
            << 1u << QByteArray("") << "C:\\Info" << true << QStringList { message };
        QTest::newRow("folder value, tool present")
            << 1u << QByteArray() << "C:\\Info" << true << QStringList { exists, start };
        QTest::newRow("folder value, tool absent")
            << 1u << QByteArray() << "C:\\Nowhere" << true
            << QStringList { "exists C:\\Nowhere\\MSINFO32.EXE", message };
        QTest::newRow("folder value, tool failing to start")
            << 1u << QByteArray() << "C:\\Info" << false << QStringList { exists, start, message };
        QTest::newRow("neither value")
            << 1u << QByteArray() << QString() << true << QStringList { message };
    }
    void startSysInfo()
    {
        QFETCH(quint32, pathType);
        QFETCH(QByteArray, path);
        QFETCH(QString, folder);
        QFETCH(bool, startSucceeds);
        auto registry = std::make_unique<FakeRegistry>();
        auto &pathKey = registry->keys[SystemInformationLauncher::kPathKey];
        if (!path.isNull()) {
            pathKey["PATH"] = { pathType, path };
        }
        if (!folder.isNull()) {
            registry->keys[SystemInformationLauncher::kFolderKey]["MSINFO"]
                = { 1, folder.toUtf8() + '\0' };
        }
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::move(registry));
        QStringList steps;
        launcher.setStarter([&](const QString &tool) {
            steps << QStringLiteral("start ") + tool;
            return startSucceeds;
        });
        launcher.setExistenceTest([&](const QString &tool) {
            steps << QStringLiteral("exists ") + tool;
            return tool.startsWith(QLatin1String("C:\\Info"));
        });
        launcher.setMessageReporter([&](const QString &text) { steps << "message " + text; });
        launcher.StartSysInfo();
        QTEST(steps, "steps");
    }

#ifndef Q_OS_WIN
    // Without a registry, the best information tool on the search path stands in for the path
    // value; tools rank above folders, and a file of its name that cannot be run does not count.
    void toolFoundOnTheSearchPath_data()
    {
        QTest::addColumn<QStringList>("installed"); // "folder/tool"
        QTest::addColumn<QString>("expected"); // "folder/tool" or empty
        QTest::newRow("none") << QStringList() << QString();
        QTest::newRow("tool order beats folder order")
            << QStringList { "a/hardinfo", "b/kinfocenter" } << "b/kinfocenter";
        QTest::newRow("hardinfo2 before hardinfo")
            << QStringList { "a/hardinfo", "a/hardinfo2" } << "a/hardinfo2";
    }
    void toolFoundOnTheSearchPath()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("a")) && QDir(root.path()).mkpath("b"));
        QVERIFY(QFile(root.filePath(QStringLiteral("a/kinfocenter"))).open(QIODevice::WriteOnly));
        for (const QString &tool : installed) {
            QFile file(root.filePath(tool));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        const QString searchPath
            = QStringLiteral("relative:%1:%2/").arg(root.filePath("a"), root.filePath("b"));
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::make_unique<ToolPathRegistry>(searchPath.toStdString()));
        QString value = QStringLiteral("old");
        launcher.GetKeyValue(kRegistryLocalMachine, "software\\microsoft\\shared tools\\msinfo",
                             "Path", value);
        QCOMPARE(value, expected.isEmpty() ? QString() : root.filePath(expected));
    }
#endif

    // The Windows resource pads the build's version to 3.09.0001.
    void resourceVersion()
    {
        QCOMPARE(VersionInformation::application().resourceVersionText(),
                 QStringLiteral("3.09.0001"));
    }

    // Centred again on the outer size once framed, half the difference rounded down (an odd
    // width off the screen to the left); not before the frame is known, nor after a move.
    void recentring_data()
    {
        QTest::addColumn<QPoint>("placedAt");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QPoint>("expected"); // (-1, -1): stays
        QTest::newRow("framed") << QPoint(100, 100) << QSize(415, 290) << QPoint(1872, 155);
        QTest::newRow("frame not known yet")
            << QPoint(100, 100) << QSize(414, 264) << QPoint(-1, -1);
        QTest::newRow("moved by the user first")
            << QPoint(99, 100) << QSize(415, 290) << QPoint(-1, -1);
    }
    void recentring()
    {
        QFETCH(QPoint, placedAt);
        QFETCH(QSize, frame);
        const auto position
            = recentredOnceFramed(QRect(1920, 0, 320, 601), placedAt, QRect(100, 100, 414, 264),
                                  QRect(QPoint(99, 80), frame));
        QTEST(position.value_or(QPoint(-1, -1)), "expected");
    }

    // Enter closes the dialog even on the system-information button, whose click shows that the
    // tool is missing (no registry). Any button on the etched rule moves the dialog.
    void userInput_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("button"); // 0: Enter, else a click of that mouse button
        QTest::addColumn<QString>("outcome");
        QTest::newRow("Enter on the system-information button") << "cmdSysInfo" << 0 << "closed";
        QTest::newRow("click on it")
            << "cmdSysInfo" << int(Qt::LeftButton) << "VALTORA:此时系统信息无效";
        QTest::newRow("right press on the rule") << "Line1(0)" << int(Qt::RightButton) << "moved";
        QTest::newRow("middle press on the button") << "cmdSysInfo" << int(Qt::MiddleButton) << "";
    }
    void userInput()
    {
        QFETCH(QString, target);
        QFETCH(int, button);
        frmAbout dialog;
        dialog.systemInformation().setRegistry(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QString seen;
        dialog.setSystemMoveStarter([&seen] { seen += QStringLiteral("moved"); });
        QTimer answerer;
        answerer.callOnTimeout([&seen] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen += box->windowTitle() + QLatin1Char(':') + box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        answerer.start(10);
        auto *widget = dialog.findChild<QWidget *>(target);
        if (button == 0) {
            QTest::keyClick(widget, Qt::Key_Return);
        } else {
            QTest::mouseClick(widget, Qt::MouseButton(button));
        }
        QFETCH(QString, outcome);
        QTRY_COMPARE(seen + (dialog.isVisible() ? "" : "closed"), outcome);
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
