#include "storage/sqlite/snapshot_file.h"

#include "storage/errors.h"

#include <QDir>

namespace storage::sqlite {

namespace {

QString declaredType(const access::Column& c, bool* keyTaken) {
    if (c.autoNumber && !*keyTaken) {
        *keyTaken = true;
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    switch (c.kind) {
        case FieldKind::Text:
            return QStringLiteral("VARCHAR(%1)").arg(c.size);
        case FieldKind::Boolean:
            return QStringLiteral("BOOLEAN");
        case FieldKind::AutoNumber:
        case FieldKind::Integer:
            return QStringLiteral("INTEGER");
        case FieldKind::Float:
            return QStringLiteral("REAL");
        case FieldKind::Memo:
            break;
    }
    return QStringLiteral("TEXT");
}

}  // namespace

SnapshotWriter::SnapshotWriter(const QString& path)
    : db_(QStringLiteral("Geçici kopya \"%1\" yazılamıyor").arg(QDir::toNativeSeparators(path))) {
    if (!db_.open(path, FileDb::Mode::Create)) throw Error(QStringLiteral("Geçici kopya oluşturulamıyor: %1").arg(path));
    db_.exec(
        QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
                       "CREATE TABLE access_summary (name TEXT, access_name TEXT, columns TEXT, rows INTEGER, checksum BLOB)"));
}

void SnapshotWriter::beginTable(const QString& name, const std::vector<access::Column>& columns) {
    QStringList defs, marks;
    bool keyTaken = false;
    for (const access::Column& c : columns) {
        defs << access::quoted(c.name) + u' ' + declaredType(c, &keyTaken);
        marks << QStringLiteral("?");
    }
    db_.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(access::quoted(name), defs.join(QStringLiteral(", "))));
    insert_ = db_.repeated(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(access::quoted(name), marks.join(u',')));
    if (!insert_) throw Error(QStringLiteral("Geçici kopya yazılamıyor: %1").arg(db_.lastError()));
}

bool SnapshotWriter::addRow(const std::vector<QVariant>& values) { return insert_ && insert_->run(values); }

void SnapshotWriter::endTable(const access::TableSummary& t) {
    insert_.reset();
    const auto summary = db_.repeated(QStringLiteral("INSERT INTO access_summary VALUES (?,?,?,?,?)"));
    if (!summary || !summary->run({t.name, t.accessName, t.columns.join(u'\t'), t.rows, t.checksum}))
        throw Error(QStringLiteral("Geçici kopya yazılamıyor."));
}

void SnapshotWriter::commit() { db_.exec(QStringLiteral("COMMIT")); }

std::vector<access::TableSummary> readSnapshotSummary(const QString& path) {
    FileDb db(QStringLiteral("Geçici kopya okunamıyor"));
    std::vector<access::TableSummary> out;
    if (!db.open(path, FileDb::Mode::ReadOnly)) throw Error(QStringLiteral("Geçici kopya açılamıyor: %1").arg(path));
    const bool read = db.read(
        QStringLiteral("SELECT name, access_name, columns, rows, checksum FROM access_summary ORDER BY rowid"),
        [&](const std::vector<QVariant>& v) {
            access::TableSummary t;
            t.name = v[0].toString();
            t.accessName = v[1].toString();
            t.columns = v[2].toString().split(u'\t');
            t.rows = v[3].toLongLong();
            t.checksum = v[4].toByteArray();
            out.push_back(t);
        },
        nullptr);
    if (!read && out.empty()) throw Error(QStringLiteral("Geçici kopya okunamıyor: %1").arg(path));
    return out;
}

BankFromSnapshot::BankFromSnapshot(const QString& bankPath, const QString& snapshotPath)
    : bank_(QStringLiteral("Yeni dosyaya yazılamıyor")) {
    if (!bank_.open(bankPath, FileDb::Mode::ReadWrite)) throw Error(QStringLiteral("\"%1\" açılamıyor.").arg(bankPath));
    if (!bank_.attach(snapshotPath, QStringLiteral("access")))
        throw Error(QStringLiteral("Geçici kopya açılamıyor: %1").arg(snapshotPath));
}

void BankFromSnapshot::copy(const QString& table, const QStringList& bankColumns, const QStringList& snapshotColumns) {
    QStringList to, from;
    for (const QString& c : bankColumns) to << access::quoted(c);
    for (const QString& c : snapshotColumns) from << access::quoted(c);
    bank_.exec(QStringLiteral("INSERT INTO main.%1 (%2) SELECT %3 FROM access.%1")
                   .arg(access::quoted(table), to.join(u','), from.join(u',')));
}

void BankFromSnapshot::commit() {
    bank_.exec(QStringLiteral("COMMIT"));
    bank_.exec(QStringLiteral("DETACH DATABASE access"));
}

QByteArray BankFromSnapshot::checksum(const QString& table, const QStringList& columns, qint64* rows) const {
    QStringList names;
    for (const QString& c : columns) names << access::quoted(c);
    access::Checksum sum;
    QString why;
    if (!bank_.read(
            QStringLiteral("SELECT %1 FROM %2").arg(names.join(u','), access::quoted(table)),
            [&](const std::vector<QVariant>& values) { sum.addRow(values); }, &why))
        throw Error(QStringLiteral("%1 tablosu okunamıyor: %2").arg(table, why));
    if (rows) *rows = sum.rows();
    return sum.result();
}

qint64 BankFromSnapshot::richTextQuestions() const {
    return bank_.scalar(QStringLiteral("SELECT count(*) FROM tqmaster WHERE question LIKE '{\\rtf%' ESCAPE '!'"));
}

}  // namespace storage::sqlite
