#include "store/engine/engine.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

using engine::dateToStorage;
using engine::dateToText;
using engine::parseDate;
using engine::valueToText;

TEST(ValuesTest, ParseDateAcceptsMonthFirstAndIsoForms) {
    const struct {
        const char* text;
        const char* storage;
    } dates[] = {
        // clang-format off
        {"12/6/26", "2026-12-06"}, {"12/06/2026", "2026-12-06"}, {"1/2/29", "2029-01-02"},
        {"1/2/30", "1930-01-02"}, {"01/01/00", "2000-01-01"}, {"12/31/99", "1999-12-31"},
        {"2/29/2024", "2024-02-29"}, {"  7/4/1776  ", "1776-07-04"}, {"12-06-26", "2026-12-06"},
        {"2026-12-06", "2026-12-06"}, {"2026-12-06 14:05:09", "2026-12-06 14:05:09"},
        {"2026-12-06T14:05:09", "2026-12-06 14:05:09"}, {"12/06/26 14:05", "2026-12-06 14:05:00"},
        {"12/06/26 2:05:07 PM", "2026-12-06 14:05:07"}, {"12/06/26 2:05pm", "2026-12-06 14:05:00"},
        {"12/06/26 12:30 AM", "2026-12-06 00:30:00"}, {"12/06/26 12:30 PM", "2026-12-06 12:30:00"},
        {"12/06/26 00:00:00", "2026-12-06"}
        // clang-format on
    };
    for (const auto& c : dates) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(dateToStorage(parseDate(QString::fromLatin1(c.text))), QString::fromLatin1(c.storage));
    }
    // clang-format off
    const char* notDates[] = {"13/01/26", "02/30/26", "2/29/2025", "12/06/126", "12/06", "2026-13-01",
                              "", "today", "12/06/26 25:00", "12/06/26 13:00 PM", "12/06/26 0:30 AM",
                              "12/06/26 10:61", "12/06/26 10:5", "12/06/26 10:05 x", "12/06/26T10:05"};
    // clang-format on
    for (const char* text : notDates) EXPECT_FALSE(parseDate(QString::fromLatin1(text)).isValid()) << text;
}

TEST(ValuesTest, ParseDateIgnoresTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QDateTime parsed = parseDate("12/06/26 14:05");
    const QString text = dateToText(parsed);
    QLocale::setDefault(before);
    EXPECT_EQ(parsed.date(), QDate(2026, 12, 6));
    EXPECT_EQ(text, "12/06/2026 14:05:00");
}

// A wall-clock time that local time would skip (spring forward in Berlin) is still a date.
TEST(ValuesTest, DaylightSavingGapIsNotLost) {
    const QByteArray before = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const QDateTime parsed = parseDate("3/29/2026 2:30");
    const QString stored = dateToStorage(parsed);
    if (before.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", before);
    tzset();
    EXPECT_EQ(stored, "2026-03-29 02:30:00");
}

TEST(ValuesTest, DateTextsRoundTrip) {
    QDateTime value(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(value.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(parseDate(dateToText(value)), value);
        EXPECT_EQ(parseDate(dateToStorage(value)), value);
        value = value.addSecs(qint64(97) * 24 * 3600 + 3671 * (step % 5));
    }
}

TEST(ValuesTest, ValueToTextFollowsTheOldConversions) {
    const struct {
        QVariant value;
        const char* text;
    } cases[] = {{QVariant(), ""},
                 {QVariant(QString()), ""},
                 {QVariant(true), "True"},
                 {QVariant(false), "False"},
                 {QVariant(42), "42"},
                 {QVariant(-7), "-7"},
                 {QVariant(qint64(9007199254740993)), "9007199254740993"},
                 {QVariant(quint64(18446744073709551615ull)), "18446744073709551615"},
                 {QVariant(1.5), "1.5"},
                 {QVariant(100.0), "100"},
                 {QVariant(-0.5), "-0.5"},
                 {QVariant(0.0), "0"},
                 {QVariant(0.1 + 0.2), "0.3"},
                 {QVariant(1e20), "100000000000000000000"},
                 {QVariant(1.25e-7), "0.000000125"},
                 {QVariant(123456.789), "123456.789"},
                 {QVariant(1.0 / 3), "0.333333333333333"},
                 {QVariant(QByteArray("h\xc3\xa9llo")), "h\xc3\xa9llo"},
                 {QVariant(QString("as is ")), "as is "},
                 {QVariant(QDate(2026, 12, 6)), "12/06/2026"},
                 {QVariant(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9), Qt::UTC)), "12/06/2026 14:05:09"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(valueToText(c.value), QString::fromUtf8(c.text));
    }
}

}  // namespace
