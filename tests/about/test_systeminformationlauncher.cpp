#include "about/systeminformationlauncher.h"
#include "about/toolpathregistry.h"
#include "fakeregistry.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace {

const std::string kPathKey = SystemInformationLauncher::kPathKey;
const std::string kFolderKey = SystemInformationLauncher::kFolderKey;

// Records every seam call in order, so the order of the steps can be compared.
struct Recorder
{
    QStringList steps;
    bool startSucceeds = true;
    QStringList existingFiles;

    void attach(SystemInformationLauncher &launcher)
    {
        launcher.setStarter([this](const QString &path) {
            steps << QStringLiteral("start ") + path;
            return startSucceeds;
        });
        launcher.setExistenceTest([this](const QString &path) {
            steps << QStringLiteral("exists ") + path;
            return existingFiles.contains(path);
        });
        launcher.setMessageReporter(
            [this](const QString &text) { steps << QStringLiteral("message ") + text; });
    }
};

void makeExecutable(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

} // namespace

class TestSystemInformationLauncher : public QObject
{
    Q_OBJECT
private slots:
    void startSysInfo_data()
    {
        QTest::addColumn<QString>("pathValue"); // empty: no such value
        QTest::addColumn<QString>("folderValue"); // empty: no such value
        QTest::addColumn<bool>("startSucceeds");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("steps");

        const QString message = QStringLiteral("message 此时系统信息无效");
        QTest::newRow("path value started without an existence test")
            << "C:\\Info\\msinfo32.exe"
            << "C:\\Other" << true << QStringList()
            << QStringList { "start C:\\Info\\msinfo32.exe" };
        QTest::newRow("path value failing to start gives the message")
            << "C:\\Info\\msinfo32.exe"
            << "" << false << QStringList()
            << QStringList { "start C:\\Info\\msinfo32.exe", message };
        QTest::newRow("folder value with the tool present")
            << ""
            << "C:\\Info" << true << QStringList { "C:\\Info\\MSINFO32.EXE" }
            << QStringList { "exists C:\\Info\\MSINFO32.EXE", "start C:\\Info\\MSINFO32.EXE" };
        QTest::newRow("folder value with the tool absent starts nothing")
            << ""
            << "C:\\Info" << true << QStringList()
            << QStringList { "exists C:\\Info\\MSINFO32.EXE", message };
        QTest::newRow("folder ending in a backslash keeps both")
            << ""
            << "C:\\Info\\" << true << QStringList { "C:\\Info\\\\MSINFO32.EXE" }
            << QStringList { "exists C:\\Info\\\\MSINFO32.EXE", "start C:\\Info\\\\MSINFO32.EXE" };
        QTest::newRow("folder value with the tool failing to start")
            << ""
            << "C:\\Info" << false << QStringList { "C:\\Info\\MSINFO32.EXE" }
            << QStringList { "exists C:\\Info\\MSINFO32.EXE", "start C:\\Info\\MSINFO32.EXE",
                             message };
        QTest::newRow("neither value") << ""
                                       << "" << true << QStringList() << QStringList { message };
    }
    void startSysInfo()
    {
        QFETCH(QString, pathValue);
        QFETCH(QString, folderValue);
        QFETCH(bool, startSucceeds);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, steps);

        auto registry = std::make_unique<FakeRegistry>();
        if (!pathValue.isEmpty()) {
            registry->setText(kPathKey, "PATH", pathValue.toStdString());
        }
        if (!folderValue.isEmpty()) {
            registry->setText(kFolderKey, "MSINFO", folderValue.toStdString());
        }
        FakeRegistry *fake = registry.get();
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::move(registry));
        Recorder recorder;
        recorder.startSucceeds = startSucceeds;
        recorder.existingFiles = existing;
        recorder.attach(launcher);

        launcher.StartSysInfo();
        QCOMPARE(recorder.steps, steps);
        QCOMPARE(fake->openCount, fake->closeCount);
        // The folder is only asked for when the path value was not there.
        QCOMPARE(fake->openedKeys.front(), kPathKey);
        QCOMPARE(fake->openedKeys.size(), std::size_t(pathValue.isEmpty() ? 2 : 1));
    }

    void emptyPathValueGivesTheMessageAtOnce()
    {
        // A value that comes back with no bytes cannot be taken apart: the launcher gives up
        // without trying the folder value.
        auto registry = std::make_unique<FakeRegistry>();
        registry->setValue(kPathKey, "PATH", FakeRegistry::Value { kRegistryTextType, "", {} });
        registry->setText(kFolderKey, "MSINFO", "C:\\Info");
        FakeRegistry *fake = registry.get();
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::move(registry));
        Recorder recorder;
        recorder.existingFiles << QStringLiteral("C:\\Info\\MSINFO32.EXE");
        recorder.attach(launcher);

        launcher.StartSysInfo();
        QCOMPARE(recorder.steps, QStringList { QStringLiteral("message 此时系统信息无效") });
        QCOMPARE(fake->openedKeys, std::vector<std::string> { kPathKey });
        QCOMPARE(fake->closeCount, 1);
    }

    void toolFoundOnTheSearchPath_data()
    {
        QTest::addColumn<QStringList>("installed"); // "folder/tool"
        QTest::addColumn<QString>("expected"); // "folder/tool" or empty
        QTest::newRow("none") << QStringList() << QString();
        QTest::newRow("only the last choice") << QStringList { "b/lshw-gtk" } << "b/lshw-gtk";
        QTest::newRow("tool order beats folder order")
            << QStringList { "a/hardinfo", "b/kinfocenter" } << "b/kinfocenter";
        QTest::newRow("hardinfo2 before hardinfo")
            << QStringList { "a/hardinfo", "a/hardinfo2" } << "a/hardinfo2";
        QTest::newRow("first folder wins for one tool")
            << QStringList { "a/hardinfo", "b/hardinfo" } << "a/hardinfo";
    }
    void toolFoundOnTheSearchPath()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("a"));
        QDir(root.path()).mkpath(QStringLiteral("b"));
        for (const QString &tool : installed) {
            makeExecutable(root.filePath(tool));
        }
        // A file of the right name that cannot be run does not count.
        QFile plain(root.filePath(QStringLiteral("a/kinfocenter")));
        if (!installed.contains(QStringLiteral("a/kinfocenter"))
            && !installed.contains(QStringLiteral("b/kinfocenter"))) {
            QVERIFY(plain.open(QIODevice::WriteOnly));
            plain.close();
        }
        const QString searchPath
            = QStringLiteral("relative:%1:%2/")
                  .arg(root.filePath(QStringLiteral("a")), root.filePath(QStringLiteral("b")));

        SystemInformationLauncher launcher;
        launcher.setRegistry(std::make_unique<ToolPathRegistry>(searchPath.toStdString()));
        QString value = QStringLiteral("old");
        const bool read = launcher.GetKeyValue(kRegistryLocalMachine,
                                               QStringLiteral("software\\microsoft\\shared "
                                                              "tools\\msinfo"),
                                               QStringLiteral("Path"), value);
        QCOMPARE(read, !expected.isEmpty());
        QCOMPARE(value, expected.isEmpty() ? QString() : root.filePath(expected));
    }

    void toolPathRegistryHasNoOtherValues()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        makeExecutable(root.filePath(QStringLiteral("hardinfo")));
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::make_unique<ToolPathRegistry>(root.path().toStdString()));
        QString value;
        QVERIFY(!launcher.GetKeyValue(kRegistryLocalMachine,
                                      QString::fromLatin1(SystemInformationLauncher::kFolderKey),
                                      QStringLiteral("MSINFO"), value));
        QVERIFY(!launcher.GetKeyValue(kRegistryLocalMachine,
                                      QString::fromLatin1(SystemInformationLauncher::kPathKey),
                                      QStringLiteral("OTHER"), value));
        QVERIFY(!launcher.GetKeyValue(0x80000001u,
                                      QString::fromLatin1(SystemInformationLauncher::kPathKey),
                                      QStringLiteral("PATH"), value));

        // The whole chain on this desktop: the tool found is the one started.
        Recorder recorder;
        recorder.attach(launcher);
        launcher.StartSysInfo();
        QCOMPARE(
            recorder.steps,
            QStringList { QStringLiteral("start ") + root.filePath(QStringLiteral("hardinfo")) });
    }

    void toolPathRegistryRefusesASmallBuffer()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        makeExecutable(root.filePath(QStringLiteral("hardinfo")));
        ToolPathRegistry registry(root.path().toStdString());
        RegistryKeyHandle key = 0;
        QCOMPARE(registry.openKey(kRegistryLocalMachine, ToolPathRegistry::kKeyName, 0x2003F, key),
                 0L);
        unsigned char buffer[4] = {};
        std::uint32_t size = sizeof buffer;
        std::uint32_t type = 0;
        QCOMPARE(registry.queryValue(key, "PATH", type, buffer, size), kRegistryMoreData);
        QCOMPARE(size, std::uint32_t(root.filePath(QStringLiteral("hardinfo")).size() + 1));
    }
};

QTEST_GUILESS_MAIN(TestSystemInformationLauncher)
#include "test_systeminformationlauncher.moc"
