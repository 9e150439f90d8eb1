#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

// The line the clock overlay scrolls: the time of day in the system's time format, followed
// directly by a greeting to computer enthusiasts.
namespace MarqueeText {

QString greeting();

// The locale's long time format without its time-zone name: the seconds stay (the line must
// change once a second), but a zone name would crowd the small overlay.
QString timeFormat(const QLocale &locale);

QString text(const QTime &time, const QLocale &locale);

} // namespace MarqueeText
