#pragma once

#include <QString>

// A daemon's messages: standard error, each line led by its priority in the form the journal
// reads ("<3>" an error, "<4>" a warning, "<6>" news), so that journalctl -p filters them.
namespace Journal {

enum Priority { Error = 3, Warning = 4, Info = 6 };

void write(Priority priority, const QString &text);

} // namespace Journal
