#include "app/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// One copy per user and settings file, through a real lock file and a real local socket.
class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void secondStartAsksTheFirstToShowAndEnds()
    {
        QTemporaryDir runtime;
        SingleInstance first(runtime.path(), QStringLiteral("/home/u/.config/VALTORA.conf"));
        QVERIFY(first.claim());
        QSignalSpy shows(&first, &SingleInstance::showRequested);
        SingleInstance second(runtime.path(), QStringLiteral("/home/u/.config/VALTORA.conf"));
        QVERIFY(!second.claim(2000));
        QTRY_COMPARE(shows.size(), 1);
        // Another settings file is another copy.
        SingleInstance other(runtime.path(), QStringLiteral("/tmp/demo/VALTORA.conf"));
        QVERIFY(other.claim());
    }

    // A copy that crashed left its lock and its socket behind: the next start is the first.
    void leftoversOfACrashedCopyDoNotStopTheNext()
    {
        QTemporaryDir runtime;
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        {
            SingleInstance crashed(runtime.path(), QStringLiteral("key"));
            QVERIFY(crashed.claim());
            // What a crash leaves: the lock naming a process that is gone.
            const QStringList entries
                = QDir(runtime.path()).entryList({ QStringLiteral("*.lock") });
            QCOMPARE(entries.size(), 1);
            m_lockPath = QDir(runtime.path()).filePath(entries.first());
        }
        QFile lock(m_lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + "\nvaltora\n"
                   + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        SingleInstance next(runtime.path(), QStringLiteral("key"));
        QVERIFY(next.claim(500));
    }

private:
    QString m_lockPath;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
