#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace storage::access {

struct MigratedTable {
    QString name;
    qint64 rows = 0;
    QStringList emptyColumns;  // columns of ours the Access table lacks; left null
};

struct MigrationReport {
    std::vector<MigratedTable> tables;
    QStringList missingTables;  // exam tables the Access file lacks; left empty
    qint64 richTextQuestions = 0;
    // What runs that were killed had left and this one removed: a part file
    // beside the target, copies in the temporary folder.
    QStringList removedLeftovers;
};

// Copies a whole question bank from an Access file into a new database file
// of this program at target: the four tables with every ID, rid and qqID as
// they are, and every text as stored (rich text byte for byte). Refuses a
// target that exists. The new file appears only when the copy is complete
// and verified: the same row count and the same checksum of every field on
// both sides, and it never replaces a file that took the target's name
// meanwhile, also on FAT and exFAT. Whatever fails, no part of the copy is
// left behind; what a killed run left, the next run removes. progress hears
// the rows read so far. Throws storage::Error with a Turkish text.
MigrationReport migrateBank(const QString& source, const QString& target, const std::function<void(qint64 rows)>& progress = {});

}  // namespace storage::access
