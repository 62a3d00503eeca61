#include "platform/timetexts.h"

namespace {

// Test seams; the program itself never sets them. Single-threaded use only.
TimeTexts::ClockFn &clockOverride()
{
    static TimeTexts::ClockFn clock;
    return clock;
}

// The locale the texts follow and its time form with seconds, taken once:
// the system locale is read at the first text, an override when it is set.
struct Forms
{
    QLocale locale;
    QString timeFormat;
};

Forms makeForms(const QLocale &locale)
{
    return {locale, TimeTexts::withSeconds(locale.timeFormat(QLocale::ShortFormat))};
}

Forms &forms()
{
    static Forms cached = makeForms(QLocale::system());
    return cached;
}

// The record time of the last second asked for. Within one second of the
// clock the texts cannot change, so they are made once a second: the time
// zone is consulted then, not at every reading. The key is the second and
// the clock's offset from UTC (a fixed clock may come in any zone); the real
// clock is always local time, whose offset is known only after the zone has
// been consulted, so for it the second alone is the key.
struct RecordTimeCache
{
    bool valid = false;
    bool realClock = false;
    qint64 second = 0;
    int offset = 0;
    QString text;

    void forget() { valid = false; }
};

RecordTimeCache &recordTimeCache()
{
    static RecordTimeCache cache;
    return cache;
}

qint64 floorSeconds(qint64 msecs)
{
    return msecs >= 0 ? msecs / 1000 : -((-msecs + 999) / 1000);
}

// A run of one repeated pattern letter outside quotes, [begin, end).
struct Token
{
    qsizetype begin = -1;
    qsizetype end = -1;
    bool found() const { return begin >= 0; }
};

struct FormatScan
{
    Token lastMinutes;
    Token hoursBeforeMinutes; // the last hour token before lastMinutes
    bool hasSeconds = false;
};

FormatScan scanTimeFormat(const QString &format)
{
    FormatScan scan;
    Token lastHours;
    bool quoted = false;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < format.size() && format.at(end) == c)
            ++end;
        if (!quoted) {
            if (c == u'h' || c == u'H') {
                lastHours = {i, end};
            } else if (c == u'm') {
                scan.lastMinutes = {i, end};
                scan.hoursBeforeMinutes = lastHours;
            } else if (c == u's') {
                scan.hasSeconds = true;
            }
        }
        i = end;
    }
    return scan;
}

} // namespace

QString TimeTexts::withSeconds(const QString &timeFormat)
{
    const FormatScan scan = scanTimeFormat(timeFormat);
    if (scan.hasSeconds)
        return timeFormat;
    if (!scan.lastMinutes.found())
        return QStringLiteral("HH:mm:ss");

    // Reuse the hour-minute separator when it is a single plain character
    // ("H.mm" -> "H.mm.ss"); anything longer ("HH 'h' mm") gets a colon.
    QString separator = QStringLiteral(":");
    if (scan.hoursBeforeMinutes.found() && scan.lastMinutes.begin - scan.hoursBeforeMinutes.end == 1) {
        const QChar between = timeFormat.at(scan.hoursBeforeMinutes.end);
        if (!between.isLetterOrNumber() && between != u'\'' && !between.isSpace())
            separator = between;
    }
    QString result = timeFormat;
    result.insert(scan.lastMinutes.end, separator + QStringLiteral("ss"));
    return result;
}

QString TimeTexts::dateText(const QDateTime &when)
{
    return forms().locale.toString(when.date(), QLocale::ShortFormat);
}

QString TimeTexts::timeText(const QDateTime &when)
{
    const Forms &f = forms();
    return f.locale.toString(when.time(), f.timeFormat);
}

QString TimeTexts::recordTime(const QDateTime &when)
{
    return dateText(when) + u'\\' + timeText(when);
}

QString TimeTexts::recordTimeNow()
{
    RecordTimeCache &cache = recordTimeCache();
    const ClockFn &clock = clockOverride();
    if (!clock) {
        const qint64 msecs = QDateTime::currentMSecsSinceEpoch();
        const qint64 second = floorSeconds(msecs);
        if (!cache.valid || !cache.realClock || cache.second != second) {
            cache.text = recordTime(QDateTime::fromMSecsSinceEpoch(msecs));
            cache.valid = true;
            cache.realClock = true;
            cache.second = second;
        }
        return cache.text;
    }
    const QDateTime when = clock();
    const qint64 second = floorSeconds(when.toMSecsSinceEpoch());
    const int offset = when.offsetFromUtc();
    if (!cache.valid || cache.realClock || cache.second != second || cache.offset != offset) {
        cache.text = recordTime(when);
        cache.valid = true;
        cache.realClock = false;
        cache.second = second;
        cache.offset = offset;
    }
    return cache.text;
}

QString TimeTexts::clockText(const QDateTime &when)
{
    return dateText(when) + u' ' + timeText(when);
}

QDateTime TimeTexts::now()
{
    const ClockFn &clock = clockOverride();
    return clock ? clock() : QDateTime::currentDateTime();
}

void TimeTexts::setClock(ClockFn clock)
{
    clockOverride() = std::move(clock);
    recordTimeCache().forget();
}

void TimeTexts::setLocale(const QLocale &locale)
{
    forms() = makeForms(locale);
    recordTimeCache().forget();
}

QLocale TimeTexts::locale()
{
    return forms().locale;
}
