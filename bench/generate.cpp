#include "bench/generate.h"

#include "storage/database_file.h"

#include <QDir>
#include <QFile>
#include <QStringConverter>

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace bench {

namespace {

// A small deterministic generator, so that every run reads the same bank.
struct Rng {
    std::uint64_t s;
    std::uint32_t next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return std::uint32_t(s >> 33);
    }
    int below(int n) { return int(next() % std::uint32_t(n)); }
};

const char16_t* const kWords[] = {
    u"aşağıdakilerden", u"hangisi", u"doğrudur", u"öğrenci", u"ölçme", u"değerlendirme", u"çözüm",     u"işlem",    u"sayı",
    u"üçgen",           u"kenar",   u"açı",      u"şekil",   u"göre",  u"verilen",       u"bilgi",     u"cümle",    u"anlam",
    u"yazar",           u"şiir",    u"ırmak",    u"dağ",     u"iklim", u"nüfus",         u"Türkiye",   u"İstanbul", u"Ankara",
    u"kuvvet",          u"hız",     u"enerji",   u"madde",   u"hücre", u"değildir",      u"yanlıştır", u"olabilir", u"kaçtır",
    u"nedir",           u"ile",     u"ve",       u"bir"};
constexpr int kWordCount = int(sizeof(kWords) / sizeof(kWords[0]));

QString sentence(Rng& rng, int minWords, int maxWords) {
    const int n = minWords + rng.below(maxWords - minWords + 1);
    QString s;
    for (int i = 0; i < n; ++i) {
        if (i) s += u' ';
        s += QString::fromUtf16(kWords[rng.below(kWordCount)]);
    }
    if (!s.isEmpty()) s[0] = s[0].toUpper();
    return s;
}

// Text in the Turkish code page as rich text: every byte above 127 escaped.
QByteArray richText(const QString& heading, const QString& body) {
    auto encoder = QStringEncoder("windows-1254");
    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg1254\\deff0{\\fonttbl{\\f0\\fnil\\fcharset162 Tahoma;}}\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    auto put = [&](const QString& text) {
        const QByteArray bytes = encoder.encode(text);
        for (char c : bytes) {
            const auto u = static_cast<unsigned char>(c);
            if (u > 127)
                out += "\\'" + QByteArray::number(u, 16).rightJustified(2, '0');
            else if (c == '\\' || c == '{' || c == '}')
                out += '\\', out += c;
            else
                out += c;
        }
    };
    if (!heading.isEmpty()) {
        out += "\\b ";
        put(heading);
        out += "\\b0\\par ";
    }
    put(body);
    out += "\\par }";
    return out;
}

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errmsg(db));
}

}  // namespace

void generateBank(const QString& path, const BankShape& shape) {
    storage::createDatabase(path);
    sqlite3* db = nullptr;
    check(sqlite3_open(path.toUtf8().constData(), &db), db);
    check(sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr), db);
    Rng rng{0x5eed};
    sqlite3_stmt* grp = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO tqgroup (GROUPNAME) VALUES (?1)", -1, &grp, nullptr), db);
    sqlite3_stmt* q = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO tqmaster VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)", -1, &q, nullptr), db);
    int rid = 0;
    for (int g = 1; g <= shape.groups; ++g) {
        const QByteArray name = (QStringLiteral("Ünite %1 – ").arg(g) + sentence(rng, 1, 3)).toUtf8();
        sqlite3_bind_text(grp, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        check(sqlite3_step(grp), db);
        sqlite3_reset(grp);
        const qint64 groupId = sqlite3_last_insert_rowid(db);
        for (int i = 0; i < shape.questions; ++i) {
            ++rid;
            // About 580 bytes of text on average, between a line and a page.
            QString body;
            const int sentences = 2 + rng.below(9);
            for (int s = 0; s < sentences; ++s) body += sentence(rng, 4, 14) + QStringLiteral(". ");
            if (rng.below(11) == 0) body += QStringLiteral("(Şekil %1'e bakınız: resim/sekil%1.bmp) ").arg(rng.below(400));
            body += sentence(rng, 2, 6) + u'?';
            const QString heading = rng.below(13) == 0 ? QStringLiteral("BÖLÜM %1").arg(1 + rng.below(20)) : QString();
            QByteArray question;
            if (rng.below(7) == 0)
                question = richText(heading, body);
            else
                question = ((heading.isEmpty() ? QString() : heading + QStringLiteral("\r\n")) + body).toUtf8();
            sqlite3_bind_int64(q, 1, rid);
            sqlite3_bind_text(q, 2, question.constData(), int(question.size()), SQLITE_TRANSIENT);
            for (int a = 0; a < 4; ++a) {
                const QByteArray answer = sentence(rng, 1, 6).toUtf8();
                sqlite3_bind_text(q, 3 + a, answer.constData(), int(answer.size()), SQLITE_TRANSIENT);
            }
            const char letter[2] = {char('A' + rng.below(4)), 0};
            sqlite3_bind_text(q, 7, letter, 1, SQLITE_TRANSIENT);
            sqlite3_bind_int(q, 8, rng.below(20) == 0 ? 1 : 0);
            sqlite3_bind_int64(q, 9, groupId);
            check(sqlite3_step(q), db);
            sqlite3_reset(q);
        }
    }
    sqlite3_finalize(q);
    sqlite3_stmt* exam = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO qgroup (GROUPNAME, GROUPPASS, DRM) VALUES (?1, ?2, 0)", -1, &exam, nullptr), db);
    sqlite3_stmt* entry = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO qquestion VALUES (?1, ?2, ?3)", -1, &entry, nullptr), db);
    int qqId = 0;
    for (int e = 1; e <= shape.exams; ++e) {
        const QByteArray name = QStringLiteral("Sınav %1").arg(e).toUtf8();
        sqlite3_bind_text(exam, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(exam, 2, "gizli", 5, SQLITE_STATIC);
        check(sqlite3_step(exam), db);
        sqlite3_reset(exam);
        const qint64 examId = sqlite3_last_insert_rowid(db);
        for (int i = 0; i < shape.entriesPerExam && rid > 0; ++i) {
            sqlite3_bind_int64(entry, 1, ++qqId);
            sqlite3_bind_int64(entry, 2, examId);
            sqlite3_bind_int64(entry, 3, 1 + rng.below(rid));
            check(sqlite3_step(entry), db);
            sqlite3_reset(entry);
        }
    }
    sqlite3_finalize(exam);
    sqlite3_finalize(entry);
    sqlite3_finalize(grp);
    check(sqlite3_exec(db, "COMMIT; PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

QString cachedBank(const QString& folder, const BankShape& shape) {
    QDir().mkpath(folder);
    const QString path =
        folder +
        QStringLiteral("/bank-%1x%2-%3x%4.mdb").arg(shape.groups).arg(shape.questions).arg(shape.exams).arg(shape.entriesPerExam);
    if (!QFile::exists(path)) {
        const QString partial = path + QStringLiteral(".part");
        QFile::remove(partial);
        generateBank(partial, shape);
        QFile::rename(partial, path);
    }
    return path;
}

}  // namespace bench
