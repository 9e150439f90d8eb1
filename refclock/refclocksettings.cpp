#include "refclocksettings.h"

#include "common/settingsstore.h"

#include <QRegularExpression>

RefclockSettings RefclockSettings::load(const SettingsStore &store)
{
    RefclockSettings settings;
    settings.socketPath
        = store.value(QLatin1String(kRefclockSection), QLatin1String(kSocketKey)).trimmed();
    const QString latency
        = store.value(QLatin1String(kReceiverSection), QLatin1String(kLatencyKey)).trimmed();
    if (latency.isEmpty()) {
        return settings;
    }
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]{1,4}$"));
    const int value = latency.toInt();
    if (!wholeNumber.match(latency).hasMatch() || qAbs(value) > kLargestLatencyMs) {
        settings.refusal
            = QStringLiteral("The receiver's latency [%1] %2=%3 is not a whole "
                             "number of milliseconds from -%4 to %4; 0 is used.")
                  .arg(QLatin1String(kReceiverSection), QLatin1String(kLatencyKey), latency)
                  .arg(kLargestLatencyMs);
        return settings;
    }
    settings.receiverLatencyMs = value;
    return settings;
}
