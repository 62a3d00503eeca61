#include "platform/timetexts.h"

#include <optional>

namespace {

// Test seams; the program itself never sets them. Single-threaded use only.
TimeTexts::ClockFn &clockOverride()
{
    static TimeTexts::ClockFn clock;
    return clock;
}

std::optional<QLocale> &localeOverride()
{
    static std::optional<QLocale> locale;
    return locale;
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
    return locale().toString(when.date(), QLocale::ShortFormat);
}

QString TimeTexts::timeText(const QDateTime &when)
{
    const QLocale loc = locale();
    return loc.toString(when.time(), withSeconds(loc.timeFormat(QLocale::ShortFormat)));
}

QString TimeTexts::recordTime(const QDateTime &when)
{
    return dateText(when) + u'\\' + timeText(when);
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
}

void TimeTexts::setLocale(const QLocale &locale)
{
    localeOverride() = locale;
}

QLocale TimeTexts::locale()
{
    const std::optional<QLocale> &override = localeOverride();
    return override ? *override : QLocale::system();
}
