#include "dumptext.h"

namespace {

const QLatin1String kStartText("AA");
const QLatin1String kLineBreak("\r\n");

// The number of characters a view shows for text, where a CR LF pair is one line break.
qsizetype shownLength(QStringView text)
{
    qsizetype pairs = 0;
    for (qsizetype index = 1; index < text.size(); ++index) {
        if (text[index] == QLatin1Char('\n') && text[index - 1] == QLatin1Char('\r')) {
            ++pairs;
        }
    }
    return text.size() - pairs;
}

// True when position lies between the CR and the LF of a pair, where a view cannot cut.
bool splitsPair(const QString &text, qsizetype position)
{
    return position > 0 && position < text.size() && text[position - 1] == QLatin1Char('\r')
        && text[position] == QLatin1Char('\n');
}

} // namespace

Outcome DumpText::append(QString data)
{
    Outcome failure;

    // Step 1: keep the box short.
    if (m_text.size() > kCutThreshold) {
        cutFront();
    }

    // Step 2: the caret goes to the end, so the insertion below is always an append.

    // Step 3: a line break before each start byte, in place of the blank the receive handler
    // puts before every byte text. Positions count from 1 as the box's own routine did.
    qsizetype searchFrom = 1;
    for (;;) {
        const qsizetype found = data.indexOf(kStartText, searchFrom - 1);
        if (found < 0) {
            break;
        }
        const qsizetype position = found + 1;
        if (position < 2) {
            // Nothing stands before the start byte to give way to the line break. The step is
            // skipped and reported, and the search goes on behind it.
            if (!failure) {
                failure = ErrorValue { 5, QStringLiteral("Invalid procedure call or argument") };
            }
        } else {
            data = data.left(position - 2) + kLineBreak + data.mid(position - 1);
        }
        searchFrom = position + 2;
    }

    // Step 4: insert at the caret.
    m_text += data;
    return failure;
}

void DumpText::cutFront()
{
    const qsizetype cut = qMin(kCutLength, m_text.size());
    if (!m_replaceAll && cut <= m_syncedLength && !splitsPair(m_text, cut)) {
        m_pendingRemove += shownLength(QStringView(m_text).left(cut));
        m_syncedLength -= cut;
    } else {
        // The cut reaches into text the view has not got yet, or it would split a line break
        // the view shows as one character: the view gets the whole text once.
        m_replaceAll = true;
    }
    m_text.remove(0, cut);
}

void DumpText::adoptViewText(const QString &viewText)
{
    // After a cut into text the view never had, nobody knows which part it still lacks:
    // the view's text alone is kept then.
    const QString unseen = m_replaceAll ? QString() : m_text.mid(m_syncedLength);
    m_text = viewText + unseen;
    m_syncedLength = viewText.size();
    m_pendingRemove = 0;
    m_replaceAll = false;
}

bool DumpText::hasChange() const
{
    return m_replaceAll || m_pendingRemove > 0 || m_syncedLength != m_text.size();
}

DumpText::Change DumpText::takeChange()
{
    Change change;
    // A CR already shown at the end of the view would join a LF that follows into one line
    // break: the view gets the whole text instead of a wrong count.
    if (m_replaceAll || splitsPair(m_text, m_syncedLength)) {
        change.replaceAll = true;
        change.text = m_text;
    } else {
        change.removeFromFront = m_pendingRemove;
        change.text = m_text.mid(m_syncedLength);
    }
    m_syncedLength = m_text.size();
    m_pendingRemove = 0;
    m_replaceAll = false;
    return change;
}
