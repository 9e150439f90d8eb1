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
    // monotonicNowNs(). Announces the dump once, at the end. The newest frame's end is stamped
    // with readAtNs only when its bytes can have arrived just then (0 otherwise): a frame
    // that waited in the buffer while the program was held up must not pass for new.
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
    // Received bytes ended a frame; the received time and the frame's end stamp show it.
    void frameEnded();

private:
    void appendToDump(const QString &data);
    // Whether the end byte read at readAtNs can only have arrived a moment before, so that
    // its read time tells when the frame came.
    bool endByteArrivedJustNow(qint64 readAtNs) const;

    // Reads this close together mean the bytes are streaming in as they arrive.
    static constexpr qint64 kStreamingGapNs = 20'000'000;
    // The receiver sends a frame a second; a read that far from the last one is on time.
    static constexpr qint64 kFramePeriodNs = 1'000'000'000;
    static constexpr qint64 kCadenceToleranceNs = 25'000'000;

    SystemClock &m_clock;
    MaskFlag m_maskOn;
    FrameAssembler m_assembler;
    DumpText m_dump;
    ReceivedTimeState m_receivedTime;
    FreshnessState m_freshness;
    qint16 m_clickCount = 0;
    // Inside a receive event the dump is announced once at its end, not per byte.
    bool m_receiving = false;
    // When the last read, and the last read that ended a frame, took place (0: none yet).
    qint64 m_previousReadNs = 0;
    qint64 m_previousFrameReadNs = 0;
};
