#include "frameassembler.h"

void FrameAssembler::addByteText(const QString &text)
{
    if (text == QLatin1String("AA")) {
        // Slot 0 is left alone: the next byte, the receiver's header, overwrites it anyway.
        for (int slot = 1; slot < kSlotCount; ++slot) {
            m_frameSlots[slot].clear();
        }
        m_frameIndex = 0;
        return;
    }
    if (m_frameIndex >= 0 && m_frameIndex < kSlotCount) {
        m_frameSlots[m_frameIndex] = text;
    }
    // Garbage without a start byte keeps counting, but never wraps round into the slots.
    if (m_frameIndex < kIndexCeiling) {
        ++m_frameIndex;
    }
}

bool FrameAssembler::isComplete() const
{
    return m_frameSlots[kEndSlot] == QLatin1String("03");
}

void FrameAssembler::setSlot(int slot, const QString &text)
{
    if (slot >= 0 && slot < kSlotCount) {
        m_frameSlots[slot] = text;
    }
}
