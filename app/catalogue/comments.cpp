#include "app/catalogue/comments.h"

#include <QDate>
#include <QTime>

#include "app/catalogue/engine.h"

namespace qlm {

QString CommentBoxText(const QString& stored) { return stored == u" " ? QString() : stored; }

QString CommentUpdateStatement(const QString& dateText, const QString& timeText, const QString& comment) {
    QString sql = QStringLiteral("UPDATE qlm  ");
    if (comment.isEmpty()) {
        sql += QStringLiteral("SET Comment= ' '");
    } else {
        QString quoted = comment;
        quoted.replace(u'\'', QStringLiteral("''"));
        sql += QStringLiteral("SET Comment= '") + quoted + u'\'';
    }
    sql += QStringLiteral("WHERE Date =#") + dateText + QStringLiteral("# AND  Time = #") + timeText + u'#';
    return sql;
}

bool WriteCatalogueComment(Database* db, const QString& dateText, const QString& timeText, const QString& comment,
                           Error* error, int* rowsChanged, qint64 callId) {
    if (rowsChanged)
        *rowsChanged = 0;
    if (!db || !db->IsOpen()) {
        if (error)
            *error = Error{dberr::kObjectClosed, QStringLiteral("No catalogue is open.")};
        return false;
    }
    // The texts go between # into the statement: anything but a list text
    // could widen the WHERE (a # of its own ends the literal).
    if (!QDate::fromString(dateText, QStringLiteral("MM/dd/yyyy")).isValid() ||
        !QTime::fromString(timeText, QStringLiteral("hh:mm:ss")).isValid()) {
        if (error)
            *error =
                Error{dberr::kSyntax,
                      QStringLiteral("Syntax error in date in query expression '#%1# #%2#'.").arg(dateText, timeText)};
        return false;
    }
    QString statement = CommentUpdateStatement(dateText, timeText, comment);
    if (callId > 0)
        statement += QStringLiteral(" AND rowid = ") + QString::number(callId);
    if (!db->Execute(statement, error, kFailOnError))
        return false;
    if (rowsChanged)
        *rowsChanged = db->RecordsAffected();
    return true;
}

}  // namespace qlm
