#include "portchoicelists.h"

QStringList PortChoiceLists::ports()
{
    QStringList entries;
    for (int port = 1; port <= kPortCount; ++port) {
        entries.append(QStringLiteral("Com%1").arg(port));
    }
    return entries;
}

QStringList PortChoiceLists::correctionPeriods()
{
    return { QStringLiteral("5"),    QStringLiteral("10"),  QStringLiteral("30"),
             QStringLiteral("60"),   QStringLiteral("180"), QStringLiteral("600"),
             QStringLiteral("1800"), QStringLiteral("3600") };
}

QStringList PortChoiceLists::midnightMinutes()
{
    return {
        QStringLiteral("1"),  QStringLiteral("2"),  QStringLiteral("3"),  QStringLiteral("4"),
        QStringLiteral("5"),  QStringLiteral("6"),  QStringLiteral("7"),  QStringLiteral("8"),
        QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("20"),
        QStringLiteral("30"), QStringLiteral("40"), QStringLiteral("50"), QStringLiteral("60")
    };
}

QStringList PortChoiceLists::speeds()
{
    return { QStringLiteral("110"),    QStringLiteral("300"),   QStringLiteral("600"),
             QStringLiteral("1200"),   QStringLiteral("2400"),  QStringLiteral("4800"),
             QStringLiteral("9600"),   QStringLiteral("14400"), QStringLiteral("19200"),
             QStringLiteral("28800"),  QStringLiteral("38400"), QStringLiteral("56000"),
             QStringLiteral("57600"),  QStringLiteral("76800"), QStringLiteral("115200"),
             QStringLiteral("128000"), QStringLiteral("256000") };
}

QStringList PortChoiceLists::dataBits()
{
    return { QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
             QStringLiteral("8") };
}

QStringList PortChoiceLists::parities()
{
    return { QStringLiteral("Even"), QStringLiteral("Odd"), QStringLiteral("None"),
             QStringLiteral("Mark"), QStringLiteral("Space") };
}

QStringList PortChoiceLists::stopBits()
{
    return { QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2") };
}
