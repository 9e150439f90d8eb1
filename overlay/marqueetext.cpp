#include "marqueetext.h"

namespace MarqueeText {

QString greeting()
{
    return QStringLiteral("欢迎您电脑爱好者");
}

QString timeFormat(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (const QChar character : format) {
        if (character == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && character == QLatin1Char('t')) {
            continue; // the zone name
        }
        kept += character;
    }
    return kept.simplified();
}

QString text(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, timeFormat(locale)) + greeting();
}

} // namespace MarqueeText
