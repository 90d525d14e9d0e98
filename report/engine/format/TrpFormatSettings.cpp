// The display formats' locale record: filled from a Qt locale, translated
// into the report's pattern language, and switched process-wide.
#include "TrpFormatSettings.h"

#include <QLocale>
#include <QString>
#include <algorithm>
#include <mutex>
#include <unicode/ucnv.h>
#include <vector>

namespace report {

namespace {

bool NeedsQuotes(QChar c) {
    return c.isLetter() || c == u'/' || c == u':' || c == u'"' || c == u'\'';
}

// Literal text in the report's pattern language: runs that hold pattern
// letters or separators go in quotes, so they are copied and not read.
QString QuoteLiteral(const QString& run) {
    bool special = false;
    for (QChar c : run)
        special = special || NeedsQuotes(c);
    if (!special)
        return run;
    for (QChar quote : {QChar(u'"'), QChar(u'\'')}) {
        if (!run.contains(quote))
            return QString(quote) + run + quote;
    }
    QString out;
    for (QChar c : run)
        out += c == u'"' ? QStringLiteral("'\"'") : QuoteLiteral(QString(c));
    return out;
}

int RunLength(const QString& text, qsizetype at) {
    qsizetype end = at;
    while (end < text.size() && text[end] == text[at])
        ++end;
    return static_cast<int>(end - at);
}

// The report's token for a run of one Qt pattern letter; empty for a letter
// that is no Qt token (then it is literal text).
QString TokenForQtRun(QChar letter, int count) {
    switch (letter.unicode()) {
    case u'd':
        return QString(std::min(count, 4), u'd');
    case u'M':
        return QString(std::min(count, 4), u'm');
    case u'y':
        return count >= 3 ? QStringLiteral("yyyy") : QStringLiteral("yy");
    case u'h':
    case u'H':
        return count >= 2 ? QStringLiteral("hh") : QStringLiteral("h");
    case u'm':
        return count >= 2 ? QStringLiteral("nn") : QStringLiteral("n");
    case u's':
        return count >= 2 ? QStringLiteral("ss") : QStringLiteral("s");
    case u'z':
        return count >= 3 ? QStringLiteral("zzz") : QStringLiteral("z");
    default:
        return {};
    }
}

char FirstSeparator(const QString& qtPattern, char fallback) {
    for (QChar c : qtPattern) {
        if (!c.isLetter() && c != u'\'' && c != u' ' && c.unicode() < 0x80)
            return static_cast<char>(c.unicode());
    }
    return fallback;
}

std::mutex& CurrentMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const TrpFormatSettings>& CurrentSlot() {
    static std::shared_ptr<const TrpFormatSettings> current;
    return current;
}

} // namespace

std::string ToWindows1252(const QString& source) {
    // Narrow, thin and other special blanks (newer locale data groups French
    // digits with U+202F) have no place in the code page; they become the
    // no-break space, which does.
    QString text = source;
    for (QChar& c : text) {
        if (c.category() == QChar::Separator_Space && c != u' ')
            c = QChar(0x00A0);
    }
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("windows-1252", &status);
    if (U_FAILURE(status))
        return text.toLatin1().toStdString();
    ucnv_setSubstChars(converter, "?", 1, &status);
    std::vector<char> out(static_cast<std::size_t>(text.size()) * 2 + 4);
    status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(converter, out.data(), static_cast<int32_t>(out.size()),
                                           reinterpret_cast<const UChar*>(text.utf16()),
                                           static_cast<int32_t>(text.size()), &status);
    ucnv_close(converter);
    if (U_FAILURE(status))
        return text.toLatin1().toStdString();
    return std::string(out.data(), static_cast<std::size_t>(length));
}

std::string PatternFromQtFormat(const QString& qtPattern) {
    QString out;
    QString literal;
    auto flush = [&] {
        out += QuoteLiteral(literal);
        literal.clear();
    };
    qsizetype i = 0;
    while (i < qtPattern.size()) {
        const QChar c = qtPattern[i];
        if (c == u'\'') {
            // Quoted text; two quotes stand for one, inside or outside.
            if (i + 1 < qtPattern.size() && qtPattern[i + 1] == u'\'') {
                literal += u'\'';
                i += 2;
                continue;
            }
            ++i;
            while (i < qtPattern.size()) {
                if (qtPattern[i] == u'\'') {
                    if (i + 1 < qtPattern.size() && qtPattern[i + 1] == u'\'') {
                        literal += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal += qtPattern[i++];
            }
            continue;
        }
        const int count = RunLength(qtPattern, i);
        if (c == u't') {
            // Time-zone name: no counterpart; drop it and the blank before it.
            if (literal.endsWith(u' '))
                literal.chop(1);
            else if (out.endsWith(u' '))
                out.chop(1);
            i += count;
            continue;
        }
        if (c == u'A' || c == u'a') {
            flush();
            out += QStringLiteral("ampm");
            const bool pair =
                i + 1 < qtPattern.size() && (qtPattern[i + 1] == u'P' || qtPattern[i + 1] == u'p');
            i += pair ? 2 : 1;
            continue;
        }
        const QString token = TokenForQtRun(c, count);
        if (token.isEmpty()) {
            literal += c;
            ++i;
            continue;
        }
        flush();
        out += token;
        i += count;
    }
    flush();
    return ToWindows1252(out);
}

TrpFormatSettings TrpFormatSettings::FromLocale(const QLocale& locale) {
    TrpFormatSettings settings;
    settings.thousandSeparator = ToWindows1252(locale.groupSeparator());
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    settings.dateSeparator = FirstSeparator(shortDate, '/');
    settings.timeSeparator = FirstSeparator(shortTime, ':');
    settings.shortDateFormat = PatternFromQtFormat(shortDate);
    settings.longDateFormat = PatternFromQtFormat(locale.dateFormat(QLocale::LongFormat));
    settings.shortTimeFormat = PatternFromQtFormat(shortTime);
    settings.longTimeFormat = PatternFromQtFormat(locale.timeFormat(QLocale::LongFormat));
    settings.amText = ToWindows1252(locale.amText());
    settings.pmText = ToWindows1252(locale.pmText());
    for (int month = 1; month <= 12; ++month) {
        settings.shortMonthNames[month - 1] =
            ToWindows1252(locale.monthName(month, QLocale::ShortFormat));
        settings.longMonthNames[month - 1] =
            ToWindows1252(locale.monthName(month, QLocale::LongFormat));
    }
    // Qt counts days from Monday = 1 to Sunday = 7.
    for (int day = 0; day < 7; ++day) {
        const int qtDay = day == 0 ? 7 : day;
        settings.shortDayNames[day] = ToWindows1252(locale.dayName(qtDay, QLocale::ShortFormat));
        settings.longDayNames[day] = ToWindows1252(locale.dayName(qtDay, QLocale::LongFormat));
    }
    return settings;
}

std::shared_ptr<const TrpFormatSettings> TrpFormatSettings::Current() {
    std::lock_guard lock(CurrentMutex());
    auto& slot = CurrentSlot();
    if (!slot)
        slot = std::make_shared<const TrpFormatSettings>(FromLocale(QLocale()));
    return slot;
}

void TrpFormatSettings::SetCurrent(const TrpFormatSettings& settings) {
    auto fresh = std::make_shared<const TrpFormatSettings>(settings);
    std::lock_guard lock(CurrentMutex());
    CurrentSlot() = std::move(fresh);
}

} // namespace report
