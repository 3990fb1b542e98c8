// Conversions between stored values and the texts the old engine produced and accepted.

#include "store/engine/engine.h"

#include <QDate>
#include <QTime>

#include <charconv>
#include <cmath>
#include <optional>

namespace engine {

namespace {

// Dates carry no time zone in a library. QDateTime in UTC serves as a naive carrier: local time
// would shift or reject wall-clock times that fall into a daylight-saving gap.
QDateTime naive(QDate date, QTime time) {
    return QDateTime(date, time, Qt::UTC);
}

class Scanner {
public:
    explicit Scanner(const QString& text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text.at(m_pos); }
    bool take(QChar c) {
        if (peek() != c) return false;
        ++m_pos;
        return true;
    }
    void skipSpaces() {
        while (peek() == u' ' || peek() == u'\t') ++m_pos;
    }
    // Reads minDigits to maxDigits ASCII digits; returns the count read (0 when too few).
    int number(int minDigits, int maxDigits, int& value) {
        int count = 0;
        value = 0;
        while (count < maxDigits && peek() >= u'0' && peek() <= u'9') {
            value = value * 10 + (peek().unicode() - u'0');
            ++m_pos;
            ++count;
        }
        return count >= minDigits ? count : 0;
    }
    bool takeWord(QLatin1StringView word) {
        if (m_text.mid(m_pos, word.size()).compare(word, Qt::CaseInsensitive) != 0) return false;
        m_pos += word.size();
        return true;
    }
    qsizetype pos() const { return m_pos; }
    void setPos(qsizetype pos) { m_pos = pos; }

private:
    const QString& m_text;
    qsizetype m_pos = 0;
};

int expandYear(int year, int digits) {
    if (digits == 4) return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

std::optional<QDate> parseDatePart(Scanner& s) {
    const qsizetype start = s.pos();
    int first = 0;
    const int firstDigits = s.number(1, 4, first);
    if (firstDigits == 4) {
        int month = 0, day = 0;
        if (!s.take(u'-') || !s.number(1, 2, month) || !s.take(u'-') || !s.number(1, 2, day)) return {};
        return QDate(first, month, day);
    }
    if (firstDigits == 0 || firstDigits > 2) {
        s.setPos(start);
        return {};
    }
    const QChar separator = s.peek();
    if (separator != u'/' && separator != u'-') return {};
    s.take(separator);
    int day = 0, year = 0;
    if (!s.number(1, 2, day) || !s.take(separator)) return {};
    const int yearDigits = s.number(2, 4, year);
    if (yearDigits != 2 && yearDigits != 4) return {};
    return QDate(expandYear(year, yearDigits), first, day);
}

std::optional<QTime> parseTimePart(Scanner& s) {
    int hour = 0, minute = 0, second = 0;
    if (!s.number(1, 2, hour) || !s.take(u':') || s.number(2, 2, minute) != 2) return {};
    if (s.take(u':') && s.number(2, 2, second) != 2) return {};
    s.skipSpaces();
    const bool am = s.takeWord(QLatin1StringView("AM"));
    const bool pm = !am && s.takeWord(QLatin1StringView("PM"));
    if (am || pm) {
        if (hour < 1 || hour > 12) return {};
        hour = hour % 12 + (pm ? 12 : 0);
    }
    QTime time(hour, minute, second);
    if (!time.isValid()) return {};
    return time;
}

// The old conversion gave 15 significant digits; fixed notation rather than an exponent.
QString doubleToText(double value) {
    if (!std::isfinite(value)) return QString::number(value);
    if (value == 0) return QStringLiteral("0");
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string_view sci(buffer, result.ptr - buffer);
    const auto e = sci.find('e');
    const bool negative = sci.front() == '-';
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c >= '0' && c <= '9') digits += c;
    int exponent = 0;
    std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    // digits is d1 d2 d3 ... with the decimal point after position exponent + 1.
    const int pointAt = exponent + 1;
    std::string out;
    if (pointAt <= 0) {
        out = "0." + std::string(-pointAt, '0') + digits;
    } else if (pointAt >= int(digits.size())) {
        out = digits + std::string(pointAt - digits.size(), '0');
    } else {
        out = digits.substr(0, pointAt) + "." + digits.substr(pointAt);
    }
    return QString::fromLatin1((negative ? "-" : "") + out);
}

}  // namespace

namespace {

// Dates are formatted digit by digit: QDate::toString goes through the calendar and the locale for
// every value, which a list of many rows feels.
void putDigits(QChar*& out, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10) out[i] = QChar(u'0' + value % 10);
    out += digits;
}

// "mm/dd/yyyy" (text) or "yyyy-MM-dd" (storage), with " hh:mm:ss" when there is a time of day.
QString formatDate(const QDateTime& value, bool storage) {
    if (!value.isValid()) return {};
    int year = 0, month = 0, day = 0;
    value.date().getDate(&year, &month, &day);
    const QTime time = value.time();
    const bool midnight = time.hour() == 0 && time.minute() == 0 && time.second() == 0;
    if (year < 0 || year > 9999) {
        const QString date =
            value.date().toString(storage ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("MM/dd/yyyy"));
        return midnight ? date : date + u' ' + time.toString(QStringLiteral("hh:mm:ss"));
    }
    QString text(midnight ? 10 : 19, Qt::Uninitialized);
    QChar* out = text.data();
    if (storage) {
        putDigits(out, year, 4);
        *out++ = u'-';
        putDigits(out, month, 2);
        *out++ = u'-';
        putDigits(out, day, 2);
    } else {
        putDigits(out, month, 2);
        *out++ = u'/';
        putDigits(out, day, 2);
        *out++ = u'/';
        putDigits(out, year, 4);
    }
    if (!midnight) {
        *out++ = u' ';
        putDigits(out, time.hour(), 2);
        *out++ = u':';
        putDigits(out, time.minute(), 2);
        *out++ = u':';
        putDigits(out, time.second(), 2);
    }
    return text;
}

}  // namespace

QString dateToText(const QDateTime& value) {
    return formatDate(value, false);
}

QString dateToStorage(const QDateTime& value) {
    return formatDate(value, true);
}

QDateTime parseDate(const QString& text) {
    const QString trimmed = text.trimmed();
    Scanner s(trimmed);
    const std::optional<QDate> date = parseDatePart(s);
    if (!date || !date->isValid()) return {};
    const bool iso = trimmed.size() > 4 && trimmed.at(4) == u'-';
    QTime time(0, 0);
    if (!s.atEnd()) {
        if (!(iso && s.take(u'T'))) {
            if (s.peek() != u' ') return {};
            s.skipSpaces();
        }
        const std::optional<QTime> parsed = parseTimePart(s);
        if (!parsed) return {};
        time = *parsed;
        s.skipSpaces();
        if (!s.atEnd()) return {};
    }
    return naive(*date, time);
}

QString valueToText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return {};
    switch (value.typeId()) {
        case QMetaType::QDateTime:
            return dateToText(value.toDateTime());
        case QMetaType::QDate:
            return dateToText(naive(value.toDate(), QTime(0, 0)));
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::SChar:
        case QMetaType::Char:
            return QString::number(value.toLongLong());
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UChar:
            return QString::number(value.toULongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            return doubleToText(value.toDouble());
        case QMetaType::QByteArray:
            return QString::fromUtf8(value.toByteArray());
        default:
            return value.toString();
    }
}

}  // namespace engine
