#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

// The one place where date and time texts are made: the user's locale, short
// date form, time form with seconds. The system locale is read once, at the
// first text. Tests fix the clock and the locale.
class TimeTexts
{
public:
    using ClockFn = std::function<QDateTime()>;

    static QString dateText(const QDateTime &when);
    static QString timeText(const QDateTime &when);
    // Record time: date, a backslash, time ("12/9/26\14:03:09").
    static QString recordTime(const QDateTime &when);
    // recordTime(now()), made once per second of the clock: readings that
    // come within one second share the text (a replay logs many a second).
    static QString recordTimeNow();
    // Clock label: date, one space, time.
    static QString clockText(const QDateTime &when);

    static QDateTime now();
    static void setClock(ClockFn clock); // empty function: the real clock
    static void setLocale(const QLocale &locale);
    static QLocale locale();

    // A time format with seconds: unchanged when it already shows seconds,
    // otherwise ":ss" (or the separator the format puts before the minutes,
    // as in "H.mm") is inserted right after the minutes; a format without
    // minutes becomes "HH:mm:ss". Quoted literal text is left alone.
    static QString withSeconds(const QString &timeFormat);
};
