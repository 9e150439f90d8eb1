#include "about/systeminformationlauncher.h"
#ifndef Q_OS_WIN
#include "about/toolpathregistry.h"
#endif

#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <map>
#include <string_view>

namespace {

using namespace std::literals;

// Records the keys asked for and counts those still open; a value may claim a size other than
// its bytes, the way a misbehaving layer could.
class FakeRegistry : public RegistryReader
{
public:
    struct Value
    {
        std::uint32_t type = kRegistryTextType;
        std::string bytes;
        int claimedSize = -1; // -1: its bytes' length
    };
    std::map<std::string, std::map<std::string, Value>> keys;
    std::vector<std::string> opened;
    int stillOpen = 0;

    long openKey(std::uint32_t root, const std::string &name, std::uint32_t,
                 RegistryKeyHandle &key) override
    {
        opened.push_back(name);
        key = root == kRegistryLocalMachine && keys.count(name) ? opened.size() : 0;
        stillOpen += key != 0;
        return key != 0 ? 0 : kRegistryNotFound;
    }
    long queryValue(RegistryKeyHandle key, const std::string &name, std::uint32_t &type,
                    unsigned char *data, std::uint32_t &size) override
    {
        const auto &values = keys[opened.at(key - 1)];
        if (!values.count(name)) {
            return kRegistryNotFound;
        }
        const Value &value = values.at(name);
        const auto length = std::uint32_t(value.bytes.size());
        if (length > size) {
            size = length;
            return kRegistryMoreData;
        }
        std::memcpy(data, value.bytes.data(), length);
        type = value.type;
        size = value.claimedSize < 0 ? length : std::uint32_t(value.claimedSize);
        return 0;
    }
    long closeKey(RegistryKeyHandle key) override
    {
        stillOpen -= key != 0;
        return 0;
    }
};

} // namespace

class TestSystemInformationLauncher : public QObject
{
    Q_OBJECT
private slots:
    // A text's last zero byte is dropped, a number becomes "&h" and the hexadecimal code of
    // each byte, highest first, without leading zeros; the key is given back in every case.
    void keyValueRules_data()
    {
        QTest::addColumn<quint32>("type"); // 0: the key lacks the value, 9: there is no key
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("claimedSize"); // -1: the bytes' own length
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *tag, quint32 type, std::string_view bytes, int claimedSize,
                            bool read, const QString &expected) {
            QTest::newRow(tag) << type << QByteArray(bytes.data(), qsizetype(bytes.size()))
                               << claimedSize << read << expected;
        };
        row("text loses its zero", 1, "C:\\x.exe\0"sv, -1, true, "C:\\x.exe");
        row("size short of the text keeps that many", 1, "abc\0"sv, 2, true, "ab");
        row("size past the zero keeps it", 1, "ab\0"sv, 4, true, QString::fromUtf8("ab\0", 3));
        row("one zero byte is an empty text", 1, "\0"sv, -1, true, "");
        row("size beyond the buffer keeps the buffer", 1, "ab\0"sv, 5000, true,
            "ab" + QString(1021, QChar(0)));
        row("number", 4, "\x78\x56\x34\x12"sv, -1, true, "&h12345678");
        row("number bytes without leading zeros", 4, "\x0D\x0C\x0B\x0A"sv, -1, true, "&hABCD");
        row("number whose highest byte is zero loses it", 4, "\2\1\0\0"sv, -1, true, "&h012");
        row("other type leaves the text", 3, "\1\2\3"sv, -1, true, "untouched");
        row("size zero fails and leaves the text", 1, "abc\0"sv, 0, false, "untouched");
        row("missing value empties the text", 0, ""sv, -1, false, "");
        row("missing key empties the text", 9, ""sv, -1, false, "");
    }
    void keyValueRules()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, bytes);
        QFETCH(int, claimedSize);
        auto registry = std::make_unique<FakeRegistry>();
        FakeRegistry *fake = registry.get();
        if (type != 9) {
            fake->keys["SOFTWARE\\Test"];
        }
        if (type != 9 && type != 0) {
            fake->keys["SOFTWARE\\Test"]["V"] = { type, bytes.toStdString(), claimedSize };
        }
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::move(registry));
        QString result = QStringLiteral("untouched");
        QTEST(launcher.GetKeyValue(kRegistryLocalMachine, QStringLiteral("SOFTWARE\\Test"),
                                   QStringLiteral("V"), result),
              "read");
        QTEST(result, "expected");
        QCOMPARE(fake->stillOpen, 0);
    }

    // The path value is trusted as it is; only without it is the folder value asked for, and
    // its tool must exist. Every way of failing ends in the one message.
    void startSysInfo_data()
    {
        QTest::addColumn<QString>("pathValue"); // null: no such value, "": a value of no bytes
        QTest::addColumn<QString>("folderValue"); // null: no such value
        QTest::addColumn<bool>("startSucceeds");
        QTest::addColumn<QStringList>("steps");
        const QString none;
        const QString message = QStringLiteral("message 此时系统信息无效");
        const QString exists = QStringLiteral("exists C:\\Info\\MSINFO32.EXE");
        const QString start = QStringLiteral("start C:\\Info\\MSINFO32.EXE");
        const QString path = QStringLiteral("C:\\Info\\msinfo32.exe");
        QTest::newRow("path value, started unchecked")
            << path << "C:\\Other" << true << QStringList { "start " + path };
        QTest::newRow("path value failing to start")
            << path << none << false << QStringList { "start " + path, message };
        QTest::newRow("path value without bytes gives up at once")
            << ""
            << "C:\\Info" << true << QStringList { message };
        QTest::newRow("folder value, tool present")
            << none << "C:\\Info" << true << QStringList { exists, start };
        QTest::newRow("folder value, tool absent")
            << none << "C:\\Nowhere" << true
            << QStringList { "exists C:\\Nowhere\\MSINFO32.EXE", message };
        QTest::newRow("folder ending in a backslash keeps both")
            << none << "C:\\Info\\" << true
            << QStringList { "exists C:\\Info\\\\MSINFO32.EXE", "start C:\\Info\\\\MSINFO32.EXE" };
        QTest::newRow("folder value, tool failing to start")
            << none << "C:\\Info" << false << QStringList { exists, start, message };
        QTest::newRow("neither value") << none << none << true << QStringList { message };
    }
    void startSysInfo()
    {
        QFETCH(QString, pathValue);
        QFETCH(QString, folderValue);
        QFETCH(bool, startSucceeds);
        auto registry = std::make_unique<FakeRegistry>();
        FakeRegistry *fake = registry.get();
        const std::string pathKey = SystemInformationLauncher::kPathKey;
        if (!pathValue.isNull()) {
            const std::string text = pathValue.toStdString();
            fake->keys[pathKey]["PATH"].bytes = text.empty() ? text : text + '\0';
        }
        if (!folderValue.isNull()) {
            fake->keys[SystemInformationLauncher::kFolderKey]["MSINFO"].bytes
                = folderValue.toStdString() + '\0';
        }
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::move(registry));
        QStringList steps;
        launcher.setStarter([&](const QString &path) {
            steps << QStringLiteral("start ") + path;
            return startSucceeds;
        });
        launcher.setExistenceTest([&](const QString &path) {
            steps << QStringLiteral("exists ") + path;
            return path.startsWith(QLatin1String("C:\\Info"));
        });
        launcher.setMessageReporter([&](const QString &text) { steps << "message " + text; });
        launcher.StartSysInfo();
        QTEST(steps, "steps");
        QCOMPARE(fake->stillOpen, 0);
        QCOMPARE(fake->opened.front(), pathKey);
        QCOMPARE(fake->opened.size(), std::size_t(pathValue.isNull() ? 2 : 1));
    }

#ifndef Q_OS_WIN
    // Without a registry, the best information tool found on the search path stands in for
    // the path value; a file of its name that cannot be run does not count.
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
        QCOMPARE(launcher.GetKeyValue(kRegistryLocalMachine,
                                      QStringLiteral("software\\microsoft\\shared tools\\msinfo"),
                                      QStringLiteral("Path"), value),
                 !expected.isEmpty());
        QCOMPARE(value, expected.isEmpty() ? QString() : root.filePath(expected));
        // It has that one value only, and a buffer too small for it is refused.
        const QString folderKey = QString::fromLatin1(SystemInformationLauncher::kFolderKey);
        QVERIFY(!launcher.GetKeyValue(kRegistryLocalMachine, folderKey, "MSINFO", value));
        QVERIFY(!launcher.GetKeyValue(0x80000001u, ToolPathRegistry::kKeyName, "PATH", value));
        ToolPathRegistry registry(searchPath.toStdString());
        RegistryKeyHandle key = 0;
        QCOMPARE(registry.openKey(kRegistryLocalMachine, ToolPathRegistry::kKeyName, 0, key), 0L);
        unsigned char tiny[4] = {};
        std::uint32_t size = sizeof tiny;
        std::uint32_t type = 0;
        QCOMPARE(registry.queryValue(key, "PATH", type, tiny, size),
                 expected.isEmpty() ? kRegistryNotFound : kRegistryMoreData);
    }
#endif
};

QTEST_GUILESS_MAIN(TestSystemInformationLauncher)
#include "test_systeminformationlauncher.moc"
