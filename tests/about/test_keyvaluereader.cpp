#include "about/systeminformationlauncher.h"
#include "fakeregistry.h"

#include <QTest>

namespace {

const std::string kKey = "SOFTWARE\\Test";

std::string numberBytes(quint32 number)
{
    std::string bytes(4, '\0');
    for (int index = 0; index < 4; ++index) {
        bytes[index] = static_cast<char>((number >> (8 * index)) & 0xFF);
    }
    return bytes;
}

} // namespace

class TestKeyValueReader : public QObject
{
    Q_OBJECT
private slots:
    void rules_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("claimedSize"); // -1: the bytes' own length
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("expected");

        const auto text = [](const char *raw, int length) { return QByteArray(raw, length); };
        QTest::newRow("text with its zero loses the zero")
            << kRegistryTextType << text("C:\\x.exe\0", 9) << -1 << true << "C:\\x.exe";
        QTest::newRow("text without a zero keeps every byte")
            << kRegistryTextType << text("abc", 3) << -1 << true << "abc";
        QTest::newRow("size short of the text keeps that many")
            << kRegistryTextType << text("abc\0", 4) << 2 << true << "ab";
        QTest::newRow("size past the zero keeps the zero")
            << kRegistryTextType << text("ab\0", 3) << 4 << true << QString::fromUtf8("ab\0", 3);
        QTest::newRow("size of one zero byte gives an empty text")
            << kRegistryTextType << text("\0", 1) << -1 << true << "";
        QTest::newRow("size beyond the buffer keeps the whole buffer")
            << kRegistryTextType << text("ab\0", 3) << 5000 << true
            << QString::fromUtf8("ab") + QString(1021, QChar(0));
        QTest::newRow("number with four bytes")
            << kRegistryNumberType << QByteArray::fromStdString(numberBytes(0x12345678)) << -1
            << true << "&h12345678";
        QTest::newRow("number bytes without leading zeros")
            << kRegistryNumberType << QByteArray::fromStdString(numberBytes(0x0A0B0C0D)) << -1
            << true << "&hABCD";
        QTest::newRow("number whose highest byte is zero loses it")
            << kRegistryNumberType << QByteArray::fromStdString(numberBytes(0x102)) << -1 << true
            << "&h012";
        QTest::newRow("number zero")
            << kRegistryNumberType << QByteArray::fromStdString(numberBytes(0)) << -1 << true
            << "&h000";
        QTest::newRow("other type leaves the text")
            << quint32(3) << text("\1\2\3", 3) << -1 << true << "untouched";
        QTest::newRow("size zero fails and leaves the text")
            << kRegistryTextType << text("abc\0", 4) << 0 << false << "untouched";
    }
    void rules()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, bytes);
        QFETCH(int, claimedSize);
        QFETCH(bool, read);
        QFETCH(QString, expected);

        auto registry = std::make_unique<FakeRegistry>();
        FakeRegistry::Value value { type, bytes.toStdString(), {} };
        if (claimedSize >= 0) {
            value.claimedSize = static_cast<std::uint32_t>(claimedSize);
        }
        registry->setValue(kKey, "V", value);
        FakeRegistry *fake = registry.get();
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::move(registry));

        QString result = QStringLiteral("untouched");
        QCOMPARE(launcher.GetKeyValue(kRegistryLocalMachine, QString::fromStdString(kKey),
                                      QStringLiteral("V"), result),
                 read);
        QCOMPARE(result, expected);
        // Whatever came back, the opened key is given back exactly once.
        QCOMPARE(fake->openCount, 1);
        QCOMPARE(fake->closeCount, 1);
        QCOMPARE(fake->accessMasks, std::vector<std::uint32_t> { 0x2003F });
    }

    void missingKeyEmptiesTheText()
    {
        auto registry = std::make_unique<FakeRegistry>();
        FakeRegistry *fake = registry.get();
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::move(registry));
        QString result = QStringLiteral("old");
        QVERIFY(!launcher.GetKeyValue(kRegistryLocalMachine, QStringLiteral("SOFTWARE\\None"),
                                      QStringLiteral("V"), result));
        QCOMPARE(result, QString());
        QVERIFY(fake->queriedValues.empty());
        // Nothing was opened; the close of "no key" is still made, and is harmless.
        QCOMPARE(fake->closedHandles, std::vector<RegistryKeyHandle> { 0 });
    }

    void missingValueEmptiesTheTextAndClosesTheKey()
    {
        auto registry = std::make_unique<FakeRegistry>();
        registry->addKey(kKey);
        FakeRegistry *fake = registry.get();
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::move(registry));
        QString result = QStringLiteral("old");
        QVERIFY(!launcher.GetKeyValue(kRegistryLocalMachine, QString::fromStdString(kKey),
                                      QStringLiteral("V"), result));
        QCOMPARE(result, QString());
        QCOMPARE(fake->closeCount, 1);
    }

    void otherRootIsNotOpened()
    {
        auto registry = std::make_unique<FakeRegistry>();
        registry->setText(kKey, "V", "value");
        SystemInformationLauncher launcher;
        launcher.setRegistry(std::move(registry));
        QString result;
        QVERIFY(!launcher.GetKeyValue(0x80000001u, QString::fromStdString(kKey),
                                      QStringLiteral("V"), result));
    }
};

QTEST_GUILESS_MAIN(TestKeyValueReader)
#include "test_keyvaluereader.moc"
