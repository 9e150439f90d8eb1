// The texts the program reads from its settings and environment: the port settings text,
// the stored and typed numbers and flags, VALTORA_CLOCK, and the time and date texts of the
// correction. Input: one byte that chooses the reader, then the text in UTF-8.

#include "common/clockselection.h"
#include "common/numbertext.h"
#include "correction/correctionrules.h"
#include "correction/correctionsettings.h"
#include "correction/timeofday.h"
#include "fuzzcheck.h"
#include "serial/linesettings.h"

#include <cmath>
#include <cstdint>

namespace {

void portSettings(const QString &text)
{
    const std::optional<LineSettings> settings = LineSettings::fromText(text);
    (void)CorrectionRules::frameTransmissionNs(text);
    if (settings) {
        // What the port reports is read back as the same settings.
        FUZZ_CHECK(LineSettings::fromText(settings->toText()) == settings);
    }
}

void storedNumbers(const QString &text)
{
    const double number = leadingNumber(text);
    if (const auto whole = toInt16(number)) {
        FUZZ_CHECK(std::abs(*whole - number) <= 0.5);
    }
    const auto typed = CorrectionSettings::typedNumber(text);
    if (typed) {
        // A typed number is read as its own leading number once stored.
        FUZZ_CHECK(CorrectionSettings::storedNumber(text) == typed);
    }
    (void)CorrectionSettings::storedFlag(text);
    (void)booleanFromText(text);
    (void)toInt32(number);
}

void clockSetting(const QString &text)
{
    const ClockSelection selection = selectSystemClock(text);
    FUZZ_CHECK(bool(selection.clock) == selection.error.isEmpty());
    if (selection.clock && !selection.notice.isEmpty()) {
        FUZZ_CHECK(selection.clock->now().isValid());
    }
}

void timeTexts(const QString &text)
{
    const QDateTime clockNow(QDate(2026, 3, 29), QTime(2, 30));
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    const QString date = text.left(space);
    const QString time = space < 0 ? text : text.mid(space + 1);
    if (const auto parsed = CorrectionRules::timeOfDay(time)) {
        FUZZ_CHECK(parsed->isValid());
    }
    if (const auto parsed = CorrectionRules::date(date)) {
        FUZZ_CHECK(parsed->isValid());
    }
    if (const auto latched = CorrectionRules::latchedPlusOneSecond(date, time, clockNow)) {
        FUZZ_CHECK(latched->isValid());
    }
    (void)CorrectionRules::outsideMidnightWindow(time, clockNow.time(), qint16(text.size()));
    const qint32 seconds = timetosecond(text);
    const Result<QString> back = secondtotime(seconds);
    FUZZ_CHECK(back.ok());
    // Counts of two-digit hours come back unchanged.
    if (seconds >= 0 && seconds < 100 * 3600) {
        FUZZ_CHECK(timetosecond(back.value()) == seconds);
    }
    (void)secondtotime(leadingNumber(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    const QString text
        = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    switch (data[0] % 4) {
    case 0:
        portSettings(text);
        break;
    case 1:
        storedNumbers(text);
        break;
    case 2:
        clockSetting(text);
        break;
    default:
        timeTexts(text);
        break;
    }
    return 0;
}
