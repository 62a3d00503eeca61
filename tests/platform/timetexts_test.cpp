// Date and time texts: the locale's short forms, always with seconds, and the
// clock seam.
#include "platform/timetexts.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

const QDateTime kAfternoon(QDate(2026, 12, 9), QTime(14, 3, 9));
const QDateTime kMidnight(QDate(2024, 5, 17), QTime(0, 0, 5));

class TimeTextsTest : public testing::Test
{
protected:
    void TearDown() override
    {
        TimeTexts::setLocale(QLocale::system());
        TimeTexts::setClock({});
    }
};

} // namespace

TEST(TimeTextsFormat, AddsSecondsAfterTheMinutes)
{
    const struct
    {
        const char *format;
        const char *expected;
    } cases[] = {
        {"HH:mm", "HH:mm:ss"},
        {"h:mm AP", "h:mm:ss AP"},
        {"AP h:mm", "AP h:mm:ss"},
        {"H.mm", "H.mm.ss"},
        {"HH:mm:ss", "HH:mm:ss"},
        {"h:mm:ss AP t", "h:mm:ss AP t"},
        {"HH 'h' mm", "HH 'h' mm:ss"},
        {"H:mm 'Uhr'", "H:mm:ss 'Uhr'"},
        {"h:mm 'is' AP", "h:mm:ss 'is' AP"}, // a quoted "s" is not a seconds field
        {"HH", "HH:mm:ss"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TimeTexts::withSeconds(QString::fromUtf8(c.format)), QString::fromUtf8(c.expected))
            << c.format;
}

TEST_F(TimeTextsTest, FollowTheLocale)
{
    // The space before AM/PM differs between locale data versions (plain or narrow).
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QString usSpace = us.toString(QTime(14, 3), QLocale::ShortFormat).mid(4, 1);
    const QString afternoon = QStringLiteral("2:03:09") + usSpace + QStringLiteral("PM");
    const QString midnight = QStringLiteral("12:00:05") + usSpace + QStringLiteral("AM");
    const struct
    {
        QLocale locale;
        QDateTime when;
        QString date;
        QString time;
    } cases[] = {
        {us, kAfternoon, QStringLiteral("12/9/26"), afternoon},
        {us, kMidnight, QStringLiteral("5/17/24"), midnight},
        {QLocale(QLocale::German, QLocale::Germany), kAfternoon, QStringLiteral("09.12.26"),
         QStringLiteral("14:03:09")},
        {QLocale(QLocale::German, QLocale::Germany), kMidnight, QStringLiteral("17.05.24"),
         QStringLiteral("00:00:05")},
        {QLocale::c(), kAfternoon, QStringLiteral("9 Dec 2026"), QStringLiteral("14:03:09")},
        {QLocale(QLocale::Finnish, QLocale::Finland), kAfternoon, QStringLiteral("9.12.2026"),
         QStringLiteral("14.03.09")},
    };
    for (const auto &c : cases) {
        TimeTexts::setLocale(c.locale);
        const QString &date = c.date;
        const QString &time = c.time;
        SCOPED_TRACE(c.locale.name().toStdString());
        EXPECT_EQ(TimeTexts::dateText(c.when), date);
        EXPECT_EQ(TimeTexts::timeText(c.when), time);
        EXPECT_EQ(TimeTexts::recordTime(c.when), date + u'\\' + time);
        EXPECT_EQ(TimeTexts::clockText(c.when), date + u' ' + time);
    }
}

TEST_F(TimeTextsTest, ClockCanBeFixedAndReleased)
{
    TimeTexts::setClock([] { return kAfternoon; });
    EXPECT_EQ(TimeTexts::now(), kAfternoon);

    TimeTexts::setClock({});
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime now = TimeTexts::now();
    EXPECT_GE(now, before);
    EXPECT_LE(now, QDateTime::currentDateTime());
}

namespace {

// Local time in a zone with daylight-saving time, for the process, and back.
class TimeTextsInBerlin : public TimeTextsTest
{
protected:
    void SetUp() override
    {
        m_hadZone = qEnvironmentVariableIsSet("TZ");
        m_zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        ::tzset();
        TimeTexts::setLocale(QLocale(QLocale::German, QLocale::Germany));
    }
    void TearDown() override
    {
        if (m_hadZone)
            qputenv("TZ", m_zone);
        else
            qunsetenv("TZ");
        ::tzset();
        TimeTextsTest::TearDown();
    }

private:
    bool m_hadZone = false;
    QByteArray m_zone;
};

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int msec = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC).toLocalTime();
}

} // namespace

// The record time of the clock's moment, made once a second, is the text of
// that second however the clock moves: across a minute, a date, both
// daylight-saving changes, within one second and backwards.
TEST_F(TimeTextsInBerlin, RecordTimeOfTheClockAcrossMinuteDateAndDaylightSaving)
{
    const struct
    {
        QDateTime when;
        const char *text;
    } steps[] = {
        {utc(2026, 1, 15, 10, 59, 58, 500), "15.01.26\\11:59:58"},
        {utc(2026, 1, 15, 10, 59, 59, 1), "15.01.26\\11:59:59"},
        {utc(2026, 1, 15, 10, 59, 59, 999), "15.01.26\\11:59:59"},
        {utc(2026, 1, 15, 11, 0, 0), "15.01.26\\12:00:00"},
        {utc(2026, 1, 15, 10, 59, 59, 400), "15.01.26\\11:59:59"}, // the clock set back
        {utc(2026, 3, 29, 0, 59, 59), "29.03.26\\01:59:59"},       // summer time begins
        {utc(2026, 3, 29, 1, 0, 0), "29.03.26\\03:00:00"},
        {utc(2026, 10, 25, 0, 59, 59), "25.10.26\\02:59:59"}, // and ends
        {utc(2026, 10, 25, 1, 0, 0), "25.10.26\\02:00:00"},
        {utc(2026, 10, 25, 1, 59, 59), "25.10.26\\02:59:59"},
        {utc(2026, 12, 31, 22, 59, 59, 999), "31.12.26\\23:59:59"},
        {utc(2026, 12, 31, 23, 0, 0), "01.01.27\\00:00:00"},
    };
    QDateTime clock;
    TimeTexts::setClock([&clock] { return clock; });
    for (const auto &step : steps) {
        clock = step.when;
        SCOPED_TRACE(step.when.toString(Qt::ISODateWithMs).toStdString());
        EXPECT_EQ(TimeTexts::recordTimeNow(), QString::fromUtf8(step.text));
        EXPECT_EQ(TimeTexts::recordTimeNow(), TimeTexts::recordTime(clock));
    }

    // A fixed clock in another zone keeps its own date and time.
    clock = QDateTime(QDate(2026, 3, 29), QTime(1, 30, 0), Qt::UTC);
    EXPECT_EQ(TimeTexts::recordTimeNow(), QStringLiteral("29.03.26\\01:30:00"));
    clock = clock.toLocalTime();
    EXPECT_EQ(TimeTexts::recordTimeNow(), QStringLiteral("29.03.26\\03:30:00"));
}

TEST_F(TimeTextsTest, RecordTimeFollowsALocaleChangeAndTheRealClock)
{
    const QDateTime clock = kAfternoon;
    TimeTexts::setClock([clock] { return clock; });
    TimeTexts::setLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(TimeTexts::recordTimeNow(), QStringLiteral("09.12.26\\14:03:09"));
    TimeTexts::setLocale(QLocale(QLocale::Finnish, QLocale::Finland));
    EXPECT_EQ(TimeTexts::recordTimeNow(), QStringLiteral("9.12.2026\\14.03.09"));

    // The real clock: the text of the present second.
    TimeTexts::setClock({});
    for (int i = 0; i < 3; ++i) {
        const QString before = TimeTexts::recordTime(QDateTime::currentDateTime());
        const QString now = TimeTexts::recordTimeNow();
        const QString after = TimeTexts::recordTime(QDateTime::currentDateTime());
        EXPECT_TRUE(now == before || now == after) << now.toStdString();
    }
}
