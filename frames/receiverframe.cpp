#include "receiverframe.h"

namespace {

char bcd(int value)
{
    return char(((value / 10) << 4) | (value % 10));
}

} // namespace

QByteArray receiverFrame(const QDateTime &dateTime)
{
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    if (!date.isValid() || !time.isValid() || date.year() < 0 || date.year() > 9999) {
        return {};
    }
    QByteArray frame;
    frame.reserve(12);
    frame.append(char(0xAA));
    frame.append(char(0xA1));
    frame.append(char(0xA2));
    frame.append(bcd(date.year() / 100));
    frame.append(bcd(date.year() % 100));
    frame.append(bcd(date.month()));
    frame.append(bcd(date.day()));
    frame.append(bcd(date.dayOfWeek()));
    frame.append(bcd(time.hour()));
    frame.append(bcd(time.minute()));
    frame.append(bcd(time.second()));
    frame.append(char(0x03));
    return frame;
}
