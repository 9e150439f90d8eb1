#include "receptionlogic.h"

#include "bytetext.h"
#include "common/systemclock.h"

#include <QStringBuilder>
#include <QTime>
#include <cstdlib>

namespace {

// A time of day "h:m:s" with one or two decimal digits per field, as whole seconds since
// midnight; empty when it is not a valid time of day.
std::optional<int> secondsOfDay(QStringView text)
{
    int fields[3] = {};
    int field = 0;
    int digits = 0;
    for (const QChar character : text) {
        if (character == QLatin1Char(':')) {
            if (digits == 0 || ++field > 2) {
                return std::nullopt;
            }
            digits = 0;
        } else if (character >= QLatin1Char('0') && character <= QLatin1Char('9')) {
            if (++digits > 2) {
                return std::nullopt;
            }
            fields[field] = fields[field] * 10 + (character.unicode() - '0');
        } else {
            return std::nullopt;
        }
    }
    if (field != 2 || digits == 0 || fields[0] > 23 || fields[1] > 59 || fields[2] > 59) {
        return std::nullopt;
    }
    return fields[0] * 3600 + fields[1] * 60 + fields[2];
}

} // namespace

ReceptionLogic::ReceptionLogic(SystemClock &clock, MaskFlag maskOn, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_maskOn(std::move(maskOn))
{
}

void ReceptionLogic::receiveBytes(const QByteArray &bytes, qint64 readAtNs)
{
    if (bytes.isEmpty()) {
        return;
    }
    m_receiving = true;
    int framesEnded = 0;
    for (const char character : bytes) {
        const QString &text = byteText(quint8(character));
        appendToDump(byteDumpText(quint8(character)));
        const bool wasComplete = m_assembler.isComplete();
        m_assembler.addByteText(text);
        // Checked after every byte: bytes that follow the end byte show the same frame again.
        if (m_assembler.isComplete()) {
            if (!wasComplete) {
                ++framesEnded;
            }
            ShowReceivedTime();
        }
    }
    m_receiving = false;
    if (framesEnded > 0) {
        m_receivedTime.frameEndNs
            = framesEnded == 1 && endByteArrivedJustNow(readAtNs) ? readAtNs : 0;
        m_previousFrameReadNs = readAtNs;
    }
    m_previousReadNs = readAtNs;
    if (framesEnded > 0) {
        emit frameEnded();
    }
    emit dumpChanged();
}

bool ReceptionLogic::endByteArrivedJustNow(qint64 readAtNs) const
{
    // The bytes arrived after the read before this one took everything that waited. While
    // a frame streams in, that read was a moment ago.
    if (m_previousReadNs != 0 && readAtNs - m_previousReadNs <= kStreamingGapNs) {
        return true;
    }
    // A frame read in one piece (a USB adapter hands over a whole frame at once) arrived just
    // now only if it came a second after the frame before it; after a stall of the program
    // it was read late, however long it waited.
    return m_previousFrameReadNs != 0
        && std::abs(readAtNs - m_previousFrameReadNs - kFramePeriodNs) <= kCadenceToleranceNs;
}

void ReceptionLogic::ShowData(const QString &data)
{
    appendToDump(data);
    if (!m_receiving) {
        emit dumpChanged();
    }
}

void ReceptionLogic::appendToDump(const QString &data)
{
    // Trapped here: the failure is reported and the byte's other steps still run.
    if (const Outcome failure = m_dump.append(data)) {
        emit showDataFailed(QStringLiteral("showdata:") + failure->text);
    }
}

void ReceptionLogic::ShowReceivedTime()
{
    const FrameAssembler::Slots &frameSlots = m_assembler.frameSlots();
    const QLatin1Char dash('-');
    const QLatin1Char colon(':');

    ReceivedTimeState &state = m_receivedTime;
    if (m_maskOn && m_maskOn()) {
        const QDate today = m_clock.currentDate();
        state.recvDate = QString::number(today.year()) % dash % QString::number(today.month())
            % dash % QString::number(today.day());
    } else {
        state.recvDate
            = frameSlots[2] % frameSlots[3] % dash % frameSlots[4] % dash % frameSlots[5];
    }
    state.recvTime = frameSlots[7] % colon % frameSlots[8] % colon % frameSlots[9];
    state.recvDateTime = state.recvDate % QLatin1Char(' ') % state.recvTime;

    emit label7CaptionChanged(m_receivedTime.recvDateTime);
    emit label2CaptionChanged(m_receivedTime.recvDateTime);

    m_receivedTime.recvStamp3 = m_receivedTime.recvStamp2;
    m_receivedTime.recvStamp2 = m_receivedTime.recvStamp1;
    // A text that is no time of day leaves the newest stamp as it was, equal to the one
    // before, so the correction sees no run of consecutive seconds.
    if (const std::optional<int> seconds = secondsOfDay(m_receivedTime.recvTime)) {
        m_receivedTime.recvStamp1 = *seconds;
    }
}

void ReceptionLogic::Command3_Click()
{
    // Stops at the top of its 16-bit range instead of overflowing.
    if (m_clickCount < 32767) {
        ++m_clickCount;
    }
    m_assembler.setSlot(2, QStringLiteral("20"));
    m_assembler.setSlot(3, QStringLiteral("03"));
    m_assembler.setSlot(4, QStringLiteral("08"));
    m_assembler.setSlot(5, QStringLiteral("23"));
    m_assembler.setSlot(7, QStringLiteral("12"));
    m_assembler.setSlot(8, QStringLiteral("13"));
    m_assembler.setSlot(9, QString::number(m_clickCount % 60));
    m_assembler.setSlot(6, QStringLiteral("04"));
    ShowReceivedTime();
}

void ReceptionLogic::Timer5_Timer()
{
    m_freshness.dataFresh = m_receivedTime.recvDateTime != m_freshness.lastSeenDateTime;
    m_freshness.lastSeenDateTime = m_receivedTime.recvDateTime;
}

void ReceptionLogic::clearLastSeenDateTime()
{
    m_freshness.lastSeenDateTime.clear();
}
