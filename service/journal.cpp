#include "journal.h"

#include <QStringList>
#include <cstdio>

void Journal::write(Priority priority, const QString &text)
{
    // A line without its own prefix would reach the journal as news.
    QByteArray lines;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        lines += '<' + QByteArray::number(int(priority)) + '>' + line.toLocal8Bit() + '\n';
    }
    std::fputs(lines.constData(), stderr);
    std::fflush(stderr);
}
