#pragma once

#include "dumptext.h"
#include "frameassembler.h"
#include "receivedtimestate.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class SystemClock;

// Everything that happens to received bytes: their texts in the dump, the frame assembler,
// decoding a complete frame into the received time, and the freshness watchdog. It knows no
// widget and no port: the receive handler hands it the bytes it read, and a panel shows the
// captions and the dump text it announces.
class ReceptionLogic : public QObject
{
    Q_OBJECT
public:
    // Tells whether the computer's date is shown instead of the received one; asked at every
    // decoded frame, so a changed option counts from the next frame on.
    using MaskFlag = std::function<bool()>;

    ReceptionLogic(SystemClock &clock, MaskFlag maskOn, QObject *parent = nullptr);

    // The bytes of one receive event in arrival order, read at readAtNs on the steady clock of
    // monotonicNowNs(). Announces the dump once, at the end.
    void receiveBytes(const QByteArray &bytes, qint64 readAtNs);

    // Appends data to the dump box's text; a failure is announced through showDataFailed and
    // the append goes on.
    void ShowData(const QString &data);
    // Decodes the assembled frame into the received time and announces the captions.
    void ShowReceivedTime();
    // The hidden test button: a sample frame whose second counts the clicks.
    void Command3_Click();
    // The freshness watchdog's tick.
    void Timer5_Timer();
    // The start-up sequence forgets what the watchdog saw before.
    void clearLastSeenDateTime();

    const FrameAssembler &assembler() const { return m_assembler; }
    const ReceivedTimeState &receivedTime() const { return m_receivedTime; }
    const FreshnessState &freshness() const { return m_freshness; }
    const DumpText &dump() const { return m_dump; }
    qint16 clickCount() const { return m_clickCount; }

    // For the view of the dump: what to change to show the current text.
    DumpText::Change takeDumpChange() { return m_dump.takeChange(); }
    // The view was edited by someone else (emptied at start-up, typed into): follow it.
    void adoptDumpViewText(const QString &viewText) { m_dump.adoptViewText(viewText); }

signals:
    // The captions of the two large labels, announced in this order for every decoded frame.
    void label7CaptionChanged(const QString &caption);
    void label2CaptionChanged(const QString &caption);
    // The dump text changed; takeDumpChange() tells how.
    void dumpChanged();
    // "showdata:" followed by the error text, for a message box.
    void showDataFailed(const QString &message);

private:
    void appendToDump(const QString &data);

    SystemClock &m_clock;
    MaskFlag m_maskOn;
    FrameAssembler m_assembler;
    DumpText m_dump;
    ReceivedTimeState m_receivedTime;
    FreshnessState m_freshness;
    qint16 m_clickCount = 0;
    // Inside a receive event the dump is announced once at its end, not per byte.
    bool m_receiving = false;
};
