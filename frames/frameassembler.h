#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

// Collects the byte texts of one receiver frame into slots. A start byte ("AA") empties
// slots 1 to 12 and starts over; every other byte fills the next slot. There is no length
// field and no checksum: the frame counts as complete while slot 10 holds the end byte "03".
class FrameAssembler
{
public:
    static constexpr int kSlotCount = 13;
    static constexpr int kEndSlot = 10;
    static constexpr qint16 kIndexCeiling = 32767;
    using Slots = std::array<QString, kSlotCount>;

    // Takes the text of the next received byte.
    void addByteText(const QString &text);
    // True while slot 10 holds the end byte.
    bool isComplete() const;

    const Slots &frameSlots() const { return m_frameSlots; }
    qint16 frameIndex() const { return m_frameIndex; }

    // Writes one slot directly (the sample frame of the hidden test button). A slot outside
    // 0 to 12 is ignored.
    void setSlot(int slot, const QString &text);

private:
    Slots m_frameSlots;
    qint16 m_frameIndex = 0;
};
