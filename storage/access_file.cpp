#include "storage/access_file.h"

#include "storage/errors.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

// The reader's header includes glib's inside its own extern "C" block, where
// glib's C++ templates do not compile: glib must come first.
// clang-format off
#include <glib.h>
#include <mdbtools.h>
// clang-format on

namespace storage::access {

namespace {

constexpr int kHeaderStart = 0x18;  // the page-0 bytes from here on are scrambled

// The stream cipher that scrambles the header (and, with the database key,
// the pages of an encoded file).
void rc4(const std::array<unsigned char, 4>& key, unsigned char* data, int length) {
    std::array<unsigned char, 256> s{};
    for (int i = 0; i < 256; ++i) s[size_t(i)] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[size_t(i)] + key[size_t(i % 4)]) & 0xff;
        std::swap(s[size_t(i)], s[size_t(j)]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[size_t(i)]) & 0xff;
        std::swap(s[size_t(i)], s[size_t(j)]);
        data[n] ^= s[size_t((s[size_t(i)] + s[size_t(j)]) & 0xff)];
    }
}

QString damagedText(const QString& path) {
    return QStringLiteral("\"%1\" Access dosyası bozuk ya da eksik; okunamıyor.").arg(path);
}

FieldKind kindOf(const MdbColumn* col, int* size) {
    *size = 0;
    switch (col->col_type) {
        case MDB_BOOL:
            return FieldKind::Boolean;
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
            return FieldKind::Integer;
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_MONEY:
        case MDB_NUMERIC:
            return FieldKind::Float;
        case MDB_TEXT:
            *size = std::max(1, col->col_size);
            return FieldKind::Text;
        default:
            return FieldKind::Memo;
    }
}

bool readable(int type) { return type != MDB_OLE && type != MDB_BINARY && type != MDB_COMPLEX; }

// Frees a table definition the reader allocated.
struct TableDef {
    MdbTableDef* def = nullptr;
    ~TableDef() {
        if (def) mdb_free_tabledef(def);
    }
};

}  // namespace

Header readHeader(const QByteArray& firstPage) {
    Header h;
    if (firstPage.size() < 0x15 || !firstPage.startsWith(QByteArray("\x00\x01\x00\x00", 4))) return h;
    const QByteArray kind = firstPage.mid(4, 15);
    if (kind == "Standard ACE DB") {
        h.format = Format::Newer;
        return h;
    }
    if (kind != "Standard Jet DB") return h;
    const char version = firstPage.at(0x14);
    h.format = version == 0 ? Format::Jet3 : version == 1 ? Format::Jet4 : Format::Newer;
    if (h.format == Format::Newer) return h;
    const int scrambled = h.format == Format::Jet3 ? 126 : 128;
    if (firstPage.size() < kHeaderStart + scrambled) return h;  // too short to tell; reading fails later
    QByteArray page = firstPage.left(kHeaderStart + scrambled);
    auto* p = reinterpret_cast<unsigned char*>(page.data());
    rc4({0xc7, 0xda, 0x39, 0x6b}, p + kHeaderStart, scrambled);
    h.encoded = p[0x3e] || p[0x3f] || p[0x40] || p[0x41];
    if (h.format == Format::Jet3) {
        for (int i = 0; i < 20; ++i) h.password = h.password || p[0x42 + i];
    } else {
        // Jet 4 also masks the password with the whole days of the file's
        // creation date, so an empty password reads as that mask.
        double created = 0;
        std::memcpy(&created, p + 0x72, sizeof created);
        const auto days = created > -2e9 && created < 2e9 ? quint32(qint32(created)) : 0u;
        for (int i = 0; i < 40; ++i) h.password = h.password || (p[0x42 + i] ^ ((days >> (8 * (i % 4))) & 0xff));
    }
    return h;
}

Header headerOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return readHeader(f.read(4096));
}

QString refusalText(const QString& path, const Header& header) {
    switch (header.format) {
        case Format::NotAccess:
            return QStringLiteral("\"%1\" bir Access veritabanı dosyası değil.").arg(path);
        case Format::Newer:
            return QStringLiteral(
                       "\"%1\" yeni biçimde (.accdb, Access 2007 ve sonrası) bir Access veritabanı dosyası; bu biçim "
                       "desteklenmiyor. Dosyayı Access'te \"Access 2000 veritabanı (.mdb)\" biçiminde kaydedip o "
                       "dosyayı seçin.")
                .arg(path);
        default:
            break;
    }
    if (header.encoded)
        return QStringLiteral(
                   "\"%1\" şifrelenmiş (kodlanmış) bir Access veritabanı dosyası; şifrelenmiş dosyalar okunamıyor. "
                   "Şifrelemeyi Access'te kaldırıp yeniden deneyin.")
            .arg(path);
    if (header.password)
        return QStringLiteral(
                   "\"%1\" parola korumalı bir Access veritabanı dosyası; parola korumalı dosyalar okunamıyor. "
                   "Parolayı Access'te kaldırıp yeniden deneyin.")
            .arg(path);
    return {};
}

struct File::Handle {
    MdbHandle* mdb = nullptr;
    ~Handle() {
        if (mdb) mdb_close(mdb);
    }
};

namespace {

// The reader converts text with iconv into the encoding these variables
// name; a user's setting must not change what is read.
void pinEncoding() {
    setenv("MDBICONV", "UTF-8", 1);
    // Jet 3 files hold text in the code page of the Windows that wrote them;
    // the file does not say which, and the teachers' machines are Turkish.
    setenv("MDB_JET3_CHARSET", "CP1254", 1);
}

void checkSize(const QString& path, const Header& header, qint64 size) {
    const int pageSize = header.format == Format::Jet3 ? 2048 : 4096;
    if (size < 3 * pageSize || size % pageSize != 0)
        throw Error(QStringLiteral("\"%1\" Access dosyası eksik: dosya yarıda kesilmiş, okunamıyor.").arg(path));
}

}  // namespace

File::File(const QString& path) : path_(path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw Error(QStringLiteral("\"%1\" dosyası açılamıyor.").arg(path));
    const Header header = readHeader(f.read(4096));
    const QString refusal = refusalText(path, header);
    if (!refusal.isEmpty()) throw Error(refusal);
    checkSize(path, header, f.size());
    f.close();
    pinEncoding();
    openHandle(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
}

std::unique_ptr<File> File::fromBytes(QByteArray& bytes, const QString& name) {
    const Header header = readHeader(bytes.left(4096));
    const QString refusal = refusalText(name, header);
    if (!refusal.isEmpty()) throw Error(refusal);
    checkSize(name, header, bytes.size());
    std::unique_ptr<File> file(new File);
    file->path_ = name;
    pinEncoding();
    file->openHandle(mdb_open_buffer(bytes.data(), size_t(bytes.size()), MDB_NOFLAGS));
    return file;
}

File::~File() = default;

void File::openHandle(void* opened) {
    handle_ = std::make_unique<Handle>();
    handle_->mdb = static_cast<MdbHandle*>(opened);
    MdbHandle* mdb = handle_->mdb;
    if (!mdb) throw Error(damagedText(path_));
    // Every bound buffer is at least this big: the reader writes up to this
    // many bytes into each, and cuts longer values to it.
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_boolean_fmt_numbers(mdb);
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    if (!mdb_read_catalog(mdb, MDB_TABLE)) throw Error(damagedText(path_));
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        const auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && !mdb_is_system_table(const_cast<MdbCatalogEntry*>(entry)))
            tables_ << QString::fromUtf8(entry->object_name, qsizetype(strnlen(entry->object_name, sizeof entry->object_name)));
    }
}

QString File::table(const QString& name) const {
    for (const QString& t : tables_)
        if (t.compare(name, Qt::CaseInsensitive) == 0) return t;
    return {};
}

namespace {

MdbTableDef* openTable(MdbHandle* mdb, const QString& path, const QString& table) {
    MdbCatalogEntry* entry = mdb_get_catalogentry_by_name(mdb, table.toUtf8().constData());
    MdbTableDef* def = entry ? mdb_read_table(entry) : nullptr;
    if (!def) throw Error(QStringLiteral("\"%1\" Access dosyası bozuk ya da eksik: %2 tablosu okunamıyor.").arg(path, table));
    if (!mdb_read_columns(def) || def->num_cols == 0 || !def->columns || def->columns->len != def->num_cols) {
        mdb_free_tabledef(def);
        throw Error(
            QStringLiteral("\"%1\" Access dosyası bozuk ya da eksik: %2 tablosunun alanları okunamıyor.").arg(path, table));
    }
    return def;
}

MdbColumn* columnAt(MdbTableDef* def, guint i) { return static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i)); }

// Whether the pieces of the current row's memo add up to the length its
// header states. Reads the pieces into the column's bound buffer, so the
// bound text must have been taken before.
bool wholeMemo(MdbHandle* mdb, MdbColumn* col) {
    if (col->col_type != MDB_MEMO || col->cur_value_len < MDB_MEMO_OVERHEAD || col->cur_value_start < 0 ||
        col->cur_value_start + MDB_MEMO_OVERHEAD > int(sizeof mdb->pg_buf))
        return col->cur_value_len == 0;
    unsigned char header[MDB_MEMO_OVERHEAD];
    std::memcpy(header, mdb->pg_buf + col->cur_value_start, sizeof header);
    const size_t stated = size_t(mdb_get_int32(header, 0)) & 0x3fffffff;
    size_t read = mdb_ole_read(mdb, col, header, File::kBindSize);
    // A chain of pieces that loops would never end: stop past the length.
    for (size_t piece = read; piece > 0 && read <= stated; read += piece) piece = mdb_ole_read_next(mdb, col, header);
    return read == stated;
}

}  // namespace

std::vector<Column> File::columns(const QString& table) {
    TableDef t{openTable(handle_->mdb, path_, table)};
    const bool jet3 = handle_->mdb->f->jet_version == 0;
    std::vector<Column> out;
    for (guint i = 0; i < t.def->num_cols; ++i) {
        const MdbColumn* col = columnAt(t.def, i);
        Column c;
        c.name = QString::fromUtf8(col->name, qsizetype(strnlen(col->name, sizeof col->name)));
        c.kind = kindOf(col, &c.size);
        if (c.kind == FieldKind::Text && !jet3) c.size = std::max(1, c.size / 2);  // Jet 4 counts bytes of UTF-16
        c.autoNumber = col->col_type == MDB_LONGINT && col->is_long_auto;
        c.supported = readable(col->col_type);
        out.push_back(c);
    }
    return out;
}

void File::readRows(const QString& table, const std::function<void(const std::vector<QVariant>&)>& row) {
    MdbHandle* mdb = handle_->mdb;
    const std::vector<Column> defs = columns(table);
    TableDef t{openTable(mdb, path_, table)};
    const guint n = t.def->num_cols;
    if (n != defs.size()) throw Error(damagedText(path_));
    std::vector<QByteArray> buffers(n, QByteArray(kBindSize, '\0'));
    std::vector<int> lengths(n, 0);
    for (guint i = 0; i < n; ++i)
        if (mdb_bind_column(t.def, int(i) + 1, buffers[i].data(), &lengths[i]) < 0) throw Error(damagedText(path_));
    std::vector<MdbField> fields(n);
    std::vector<bool> nulls(n);
    std::vector<QVariant> values(n);
    mdb_rewind_table(t.def);
    qint64 count = 0;
    while (mdb_fetch_row(t.def)) {
        // The bound text of a null and of an empty text are the same; the
        // row's null mask tells them apart.
        std::fill(nulls.begin(), nulls.end(), false);
        int start = 0;
        size_t length = 0;
        if (t.def->cur_row > 0 && mdb_find_row(mdb, int(t.def->cur_row) - 1, &start, &length) == 0) {
            const int cracked = mdb_crack_row(t.def, start & 0x1fff, length, fields.data());
            for (int i = 0; i < cracked && i < int(n); ++i)
                if (fields[size_t(i)].colnum >= 0 && fields[size_t(i)].colnum < int(n))
                    nulls[size_t(fields[size_t(i)].colnum)] = fields[size_t(i)].is_null;
        }
        for (guint i = 0; i < n; ++i) {
            const Column& c = defs[i];
            const int len = std::clamp(lengths[i], 0, kBindSize - 1);
            const char* text = buffers[i].constData();
            if (!c.supported) {
                values[i] = QVariant();
            } else if (c.kind == FieldKind::Boolean) {
                values[i] = QVariant(qint64(len > 0 && text[0] == '1'));
            } else if (nulls[i]) {
                values[i] = QVariant();
            } else if (len >= kBindSize - 8) {
                // The reader cuts what does not fit without saying so.
                throw Error(QStringLiteral("\"%1\" Access dosyasındaki %2 tablosunun %3. kaydındaki %4 alanı "
                                           "okunabilecek uzunluktan (65.535 karakter) uzun; kaydın tamamı okunamıyor.")
                                .arg(path_, table)
                                .arg(count + 1)
                                .arg(c.name));
            } else {
                const QByteArray bytes(text, len);
                if (c.kind == FieldKind::Memo && !wholeMemo(mdb, columnAt(t.def, i)))
                    // The reader reads a memo whose pages it cannot reach as
                    // empty or short, without saying so.
                    throw Error(QStringLiteral("\"%1\" Access dosyası bozuk ya da eksik: %2 tablosunun %3. kaydındaki %4 "
                                               "alanının bir kısmı okunamıyor.")
                                    .arg(path_, table)
                                    .arg(count + 1)
                                    .arg(c.name));
                bool ok = false;
                if (c.kind == FieldKind::Integer) {
                    const qint64 v = bytes.toLongLong(&ok);
                    values[i] = ok ? QVariant(v) : QVariant(QString::fromUtf8(bytes));
                } else if (c.kind == FieldKind::Float) {
                    const double v = bytes.toDouble(&ok);
                    values[i] = ok ? QVariant(v) : QVariant(QString::fromUtf8(bytes));
                } else {
                    values[i] = QVariant(QString::fromUtf8(bytes));
                }
            }
        }
        row(values);
        ++count;
    }
    // A page the reader could not reach ends the scan early without an
    // error; the row count the table keeps tells.
    if (count != qint64(t.def->num_rows))
        throw Error(QStringLiteral("\"%1\" Access dosyası bozuk ya da eksik: %2 tablosunun %3 kaydından %4 tanesi okunabildi.")
                        .arg(path_, table)
                        .arg(t.def->num_rows)
                        .arg(count));
}

}  // namespace storage::access
