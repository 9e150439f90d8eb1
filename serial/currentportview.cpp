#include "currentportview.h"

#include "serial/portchoicelists.h"

namespace {

// The character at a position counted from 1, when the text has one there.
std::optional<QChar> characterAt(const QString &text, qsizetype position)
{
    if (position < 1 || position > text.size()) {
        return std::nullopt;
    }
    return text.at(position - 1);
}

std::optional<QString> parityEntry(QChar letter)
{
    // Compared as written: the port reports its parity letter in lower case.
    switch (letter.unicode()) {
    case 'e':
        return QStringLiteral("Even");
    case 'm':
        return QStringLiteral("Mark");
    case 'n':
        return QStringLiteral("None");
    case 'o':
        return QStringLiteral("Odd");
    case 's':
        return QStringLiteral("Space");
    default:
        return std::nullopt;
    }
}

} // namespace

CurrentPortView CurrentPortView::fromPort(const QString &settings, int commPort, qint32 handshaking,
                                          bool echoFlag)
{
    CurrentPortView view;
    const qsizetype length = settings.size();
    const qsizetype shift = settings.contains(QLatin1Char('.')) ? 2 : 0;

    const qsizetype speedLength = length - 6 - shift;
    if (speedLength > 0) {
        view.speedText = settings.left(speedLength);
    }
    if (const std::optional<QChar> parity = characterAt(settings, length - 4 - shift)) {
        view.parityText = parityEntry(*parity);
    }
    if (const std::optional<QChar> dataBits = characterAt(settings, length - 2 - shift)) {
        view.dataBitsText = QString(*dataBits);
    }
    if (length >= shift + 1) {
        view.stopBitsText = settings.right(shift + 1);
    }
    if (commPort >= 1 && commPort <= PortChoiceLists::kPortCount) {
        view.portIndex = commPort - 1;
    }
    if (handshaking >= 0 && handshaking <= 3) {
        view.flowIndex = handshaking;
    }
    view.echoIndex = echoFlag ? 1 : 0;
    return view;
}
