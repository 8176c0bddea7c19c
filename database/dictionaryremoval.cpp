#include "database/dictionaryremoval.h"

#include "database/diskroom.h"
#include "database/sql.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

bool DictionaryRemoval::remove(int id)
{
    DiskRoom room(m_db);
    // Room for the log and its shared memory, on a disk that may be full.
    QFile::remove(DiskRoom::reserveFile(room.fileName()));
    if (!beginWrite()) {
        room.keepReserve();
        return false;
    }
    // Its name and place in the order go with it.
    bool settings = false;
    bool done = deleteDictionaryRows(id) && tableExists(Sql::selectSettingsTable, &settings) &&
                (!settings || write(Sql::deleteSettings, {id}));
    if (!done) {
        m_db.rollback();
    } else {
        done = commitTransaction();
    }
    // With no dictionary left, the file gives the disk back the room the
    // index took; its new pages, a few, go through the log.
    QSqlQuery left(m_db);
    if (done && firstRow(left, Sql::selectLocation) == Records::Answer::None) {
        left.finish();
        if (!execute(left, Sql::vacuum))
            reportFailed(left);
    }
    left.finish();
    // Whatever the removal wrote to the log goes, committed or not; a
    // failed removal keeps its own reason.
    m_notice.clear();
    if (!room.truncateLog() && done)
        m_notice =
            QCoreApplication::translate("DictionaryRemoval", "the dictionary was removed, but %1")
                .arg(room.lastError());
    room.keepReserve();
    return done;
}
