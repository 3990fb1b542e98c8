#include "store/search_sql.h"

#include "store/codelib.h"

namespace store {

QString searchSelect() {
    return QStringLiteral(
               "SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, P.LastChanged ") +
           QStringLiteral("FROM [Procedure] AS P INNER JOIN Category AS C ON P.CatKey = C.CatKey WHERE ");
}

QString searchByTextSQL(const QString& text, const SearchFields& fields) {
    const QString q = SQLQuote(text);
    QString sql = searchSelect();
    if (fields.catNames) sql += QStringLiteral(" C.Name Like '*") + q + QStringLiteral("*' OR ");
    if (fields.procNames) sql += QStringLiteral("  P.Name Like '*") + q + QStringLiteral("*' OR ");
    if (fields.procDesc) sql += QStringLiteral(" P.Desc Like '*") + q + QStringLiteral("*' OR ");
    if (fields.procCode) sql += QStringLiteral(" P.Code Like '*") + q + QStringLiteral("*' ");
    if (sql.endsWith(QLatin1String("OR "))) sql.chop(3);
    return sql + QStringLiteral(" ORDER BY C.Name, P.Name");
}

QString searchByDateSQL(const QDate& from, const QDate& to) {
    // The platform's own date text would put the day first in much of the world, and the pickers'
    // time of day would cut the first and last day short.
    const QString format = QStringLiteral("MM/dd/yyyy hh:mm:ss");
    const QString first = from.startOfDay().toString(format);
    const QString last = QDateTime(to, QTime(23, 59, 59)).toString(format);
    return searchSelect() + QStringLiteral(" P.LastChanged >= #") + first +
           QStringLiteral("# AND P.LastChanged <= #") + last + QStringLiteral("# ") +
           QStringLiteral(" ORDER BY C.Name, P.Name");
}

QString quickSearchSQL(const QString& text) {
    // Blanks alone search for nothing: the list empties.
    if (QString(text).remove(QLatin1Char(' ')).isEmpty())
        return searchSelect() + QStringLiteral(" C.Name = NULL ");
    return searchByTextSQL(text, {true, true, true, false});
}

}  // namespace store
