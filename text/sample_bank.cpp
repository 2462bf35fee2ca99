#include "text/sample_bank.h"

#include "storage/connection.h"
#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/part_file.h"
#include "storage/statement.h"
#include "storage/transaction.h"
#include "text/rtf.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>

namespace samplebank {

extern const char* const kSampleText;

const QString& text() {
    static const QString sample = QString::fromUtf8(kSampleText);
    return sample;
}

namespace {

[[noreturn]] void fault(int line, const QString& what) {
    throw storage::Error(QStringLiteral("Örnek banka, satır %1: %2").arg(line).arg(what));
}

// <b>, <i> and <u> around parts of the text; nothing else is markup.
QString richQuestion(const QString& marked) {
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("Tahoma"), 10));
    QTextCursor cursor(&doc);
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Tahoma")});
    format.setFontPointSize(10);
    static const QRegularExpression tag(QStringLiteral("<(/?)([biu])>"));
    qsizetype from = 0;
    for (auto it = tag.globalMatch(marked); it.hasNext();) {
        const auto match = it.next();
        cursor.insertText(marked.mid(from, match.capturedStart() - from), format);
        const bool on = match.captured(1).isEmpty();
        const QChar kind = match.captured(2).at(0);
        if (kind == u'b') format.setFontWeight(on ? QFont::Bold : QFont::Normal);
        if (kind == u'i') format.setFontItalic(on);
        if (kind == u'u') format.setFontUnderline(on);
        from = match.capturedEnd();
    }
    cursor.insertText(marked.mid(from), format);
    return rtf::toRtf(doc);
}

struct Parser {
    Bank bank;
    Question* question = nullptr;
    Exam* exam = nullptr;
    bool rich = false;
    int questionLine = 0;
    qint64 nextRid = 1;

    void finishQuestion() {
        if (!question) return;
        if (question->correct.isEmpty()) fault(questionLine, QStringLiteral("sorunun doğru cevabı yok"));
        if (rich) question->text = richQuestion(question->text);
        question = nullptr;
        rich = false;
    }

    void line(int number, const QString& raw) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            if (line.isEmpty()) finishQuestion();
            return;
        }
        const qsizetype colon = line.indexOf(u':');
        const QString key = (colon < 0 ? line : line.left(colon)).trimmed();
        const QString value = colon < 0 ? QString() : line.mid(colon + 1).trimmed();
        if (key == u"grup") {
            finishQuestion();
            exam = nullptr;
            bank.groups.append(Group{value, {}});
        } else if (key == u"soru") {
            finishQuestion();
            if (bank.groups.isEmpty()) fault(number, QStringLiteral("soru bir gruptan önce geliyor"));
            Question q;
            q.rid = nextRid++;
            q.text = value;
            q.answers = QStringList(4, QString());
            bank.groups.last().questions.append(q);
            question = &bank.groups.last().questions.last();
            questionLine = number;
        } else if (key.size() == 1 && key.at(0) >= u'A' && key.at(0) <= u'D' && colon >= 0) {
            if (!question) fault(number, QStringLiteral("cevap bir sorunun dışında"));
            question->answers[key.at(0).unicode() - u'A'] = value;
        } else if (key == u"cevap") {
            if (!question) fault(number, QStringLiteral("doğru cevap bir sorunun dışında"));
            if (value.size() != 1 || value.at(0) < u'A' || value.at(0) > u'D')
                fault(number, QStringLiteral("doğru cevap A, B, C ya da D olmalı"));
            question->correct = QString::number(value.at(0).unicode() - u'A' + 1);
        } else if (key == u"iptal" && colon < 0) {
            if (!question) fault(number, QStringLiteral("\"iptal\" bir sorunun dışında"));
            question->cancelled = true;
        } else if (key == u"zengin" && colon < 0) {
            if (!question) fault(number, QStringLiteral("\"zengin\" bir sorunun dışında"));
            rich = true;
        } else if (key == u"sınav") {
            finishQuestion();
            bank.exams.append(Exam{value, {}, false, {}});
            exam = &bank.exams.last();
        } else if (key == u"şifre" || key == u"pasif" || key == u"sorular") {
            if (!exam) fault(number, QStringLiteral("\"%1\" bir sınavın dışında").arg(key));
            if (key == u"şifre") exam->password = value;
            if (key == u"pasif") exam->passive = true;
            if (key == u"sorular") {
                for (const QString& item : value.split(u' ', Qt::SkipEmptyParts)) {
                    bool ok = false;
                    const qint64 rid = item.toLongLong(&ok);
                    if (!ok || rid < 1 || rid >= nextRid)
                        fault(number, QStringLiteral("\"%1\" bir sorunun referans numarası değil").arg(item));
                    exam->questions.append(rid);
                }
            }
        } else {
            fault(number, QStringLiteral("anlaşılmayan satır: %1").arg(line));
        }
    }
};

void drawNumberLine(const QString& path) {
    QImage image(360, 90, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    const int y = 50, left = 30, step = 50;
    p.drawLine(left - 15, y, left + 6 * step + 15, y);
    QFont font = p.font();
    font.setPixelSize(14);
    p.setFont(font);
    for (int i = 0; i <= 6; ++i) {
        const int x = left + i * step;
        p.drawLine(x, y - 6, x, y + 6);
        p.drawText(QRect(x - 20, y + 10, 40, 20), Qt::AlignCenter, QString::number(i - 3).replace(u'-', QChar(0x2212)));
    }
    // The arrow points at -2 without naming it: that is the question.
    const int target = left + step;
    p.setPen(QPen(QColor(0xC0, 0x20, 0x20), 3));
    p.drawLine(target, 8, target, y - 10);
    p.drawLine(target, y - 10, target - 6, y - 18);
    p.drawLine(target, y - 10, target + 6, y - 18);
    p.end();
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    if (!image.save(&png, "PNG"))
        throw storage::Error(QStringLiteral("Resim çizilemedi: %1").arg(QDir::toNativeSeparators(path)));
    storage::writeWholeFile(path, png.data());
}

// The bank and its pictures, into the part that becomes the bank.
void fill(const Bank& bank, storage::PartFile& part) {
    const QString& path = part.target();
    storage::createDatabase(part);
    storage::Connection connection(QStringLiteral("samplebank"));
    connection.setConnectionString(storage::connectionString(part.path()));
    connection.open();
    const QString owner = QStringLiteral("samplebank");
    QStringList pictures;
    storage::atomically(connection, [&] {
        storage::Statement group(connection, owner, QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES (?1)"));
        storage::Statement question(connection, owner,
                                    QStringLiteral("INSERT INTO tqmaster VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"));
        for (const Group& g : bank.groups) {
            group.reset();
            group.bind(1, g.name);
            group.run();
            const qint64 groupId = group.lastInsertRowid();
            for (const Question& q : g.questions) {
                question.reset();
                question.bind(1, q.rid);
                question.bind(2, q.text);
                for (int i = 0; i < 4; ++i) question.bind(3 + i, q.answers.value(i));
                question.bind(7, q.correct);
                question.bind(8, q.cancelled ? 1 : 0);
                question.bind(9, groupId);
                question.run();
                for (const QString& name : drawablePictures())
                    if (q.text.contains(u'{' + name + u'}') && !pictures.contains(name)) pictures.append(name);
            }
        }
        storage::Statement exam(connection, owner,
                                QStringLiteral("INSERT INTO qgroup (GROUPNAME, GROUPPASS, DRM) VALUES (?1, ?2, ?3)"));
        storage::Statement entry(connection, owner, QStringLiteral("INSERT INTO qquestion VALUES (?1, ?2, ?3)"));
        qint64 qqID = 1;
        for (const Exam& e : bank.exams) {
            exam.reset();
            exam.bind(1, e.name);
            exam.bind(2, e.password);
            exam.bind(3, e.passive ? 1 : 0);
            exam.run();
            const qint64 examId = exam.lastInsertRowid();
            for (qint64 rid : e.questions) {
                entry.reset();
                entry.bind(1, qqID++);
                entry.bind(2, examId);
                entry.bind(3, rid);
                entry.run();
            }
        }
    });
    connection.close();
    if (pictures.isEmpty()) return;
    const QDir folder = QFileInfo(path).dir();
    if (!folder.mkpath(QStringLiteral("Pictures")))
        throw storage::Error(QStringLiteral("\"Pictures\" klasörü kurulamadı: %1").arg(QDir::toNativeSeparators(folder.path())));
    for (const QString& name : pictures)
        if (name == u"sayi_dogrusu.png") drawNumberLine(folder.filePath(QStringLiteral("Pictures/") + name));
}

}  // namespace

Bank parse(const QString& source) {
    Parser parser;
    const QStringList lines = source.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) parser.line(i + 1, lines.at(i));
    parser.finishQuestion();
    return std::move(parser.bank);
}

QStringList drawablePictures() { return {QStringLiteral("sayi_dogrusu.png")}; }

void write(const Bank& bank, const QString& path) {
    if (QFileInfo::exists(path))
        throw storage::Error(QStringLiteral("%1 zaten var; üzerine yazılmadı.").arg(QDir::toNativeSeparators(path)));
    // Made beside its name and named only when complete, pictures included:
    // a disk that fills up leaves no bank, empty or half, under the name.
    storage::PartFile part(path);
    try {
        fill(bank, part);
    } catch (const storage::Error& e) {
        throw storage::Error(QStringLiteral("Örnek banka %1 yazılamadı; bu adla bir dosya bırakılmadı. Neden: %2")
                                 .arg(QDir::toNativeSeparators(path), e.message()));
    }
    part.publishNew();
}

}  // namespace samplebank
