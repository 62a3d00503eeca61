// Date and time texts: the locale's short forms, always with seconds, and the
// clock seam.
#include "platform/timetexts.h"

#include <gtest/gtest.h>

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
