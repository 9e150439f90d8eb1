#pragma once

#include "common/errorvalue.h"

#include <QString>

// The text of the port-information box: every received byte as " t ", one line per frame,
// kept short by dropping its oldest part. The box itself only mirrors this text, so that a
// busy line costs one small widget update per receive event instead of a rewrite per byte.
class DumpText
{
public:
    // Above this many characters the oldest kCutLength characters are dropped before the
    // next append.
    static constexpr qsizetype kCutThreshold = 10000;
    static constexpr qsizetype kCutLength = 2096;

    // What a view showing this text must do to catch up with it. A view shows a CR LF pair,
    // a lone CR and a lone LF each as one line break, so counts here are in shown characters.
    struct Change
    {
        bool replaceAll = false;
        // Shown characters to remove from the front before appending.
        qsizetype removeFromFront = 0;
        // With replaceAll the whole text, else the text to add at the end.
        QString text;

        bool isEmpty() const { return !replaceAll && removeFromFront == 0 && text.isEmpty(); }
    };

    // Appends data at the end, with a line break put before each start byte "AA" in place of
    // the blank before it. A failing step is reported in the result and the rest still runs.
    Outcome append(QString data);

    const QString &text() const { return m_text; }

    // Takes over the text a view now shows after someone edited the view itself. Text
    // appended since the view was last brought up to date stays, after the view's text.
    void adoptViewText(const QString &viewText);

    // What changed since the last call; the view is up to date afterwards.
    Change takeChange();
    bool hasChange() const;

private:
    void cutFront();

    QString m_text;
    // How much of the front of m_text the view already shows.
    qsizetype m_syncedLength = 0;
    qsizetype m_pendingRemove = 0;
    bool m_replaceAll = false;
};
