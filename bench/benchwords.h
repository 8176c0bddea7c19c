#pragma once

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QStringList>

// `count` keyed words of the index on the default connection, drawn at
// random (the same ones every run), in the case a user would type them.
inline QStringList randomKeyedWords(int count)
{
    QStringList words;
    QSqlQuery query("SELECT MAX(rowid) FROM t_word");
    const qint64 rows = query.next() ? query.value(0).toLongLong() : 0;
    QRandomGenerator random(20240611);
    query.prepare("SELECT name FROM t_word WHERE rowid = ?");
    while (rows > 0 && words.size() < count) {
        query.addBindValue(random.bounded(rows) + 1);
        if (query.exec() && query.next())
            words << query.value(0).toString().toLower();
    }
    return words;
}
