#pragma once

#include <QString>

// What the program says about itself: the title, the texts of its version resource and its
// version number, which the build passes in from the project's version.
struct VersionInformation
{
    QString title;
    QString fileDescription;
    QString comments;
    int major = 0;
    int minor = 0;
    int revision = 0;

    static VersionInformation application();

    // "3.9.1": each part a plain decimal number.
    QString versionText() const;
    // "3.09.0001": how the Windows version resource carries it.
    QString resourceVersionText() const;
};
