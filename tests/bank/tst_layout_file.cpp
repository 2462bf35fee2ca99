#include "app/frm_main.h"
#include "bank/frm_soru_gir.h"
#include "encoding/codepages.h"
#include "grid/datagrid.h"
#include "storage/session.h"
#include "tests/support/box_script.h"
#include "tests/support/program_fixture.h"

#include <QFile>
#include <QTest>
#include <QToolButton>

using msgbox::Button;

namespace {

const QString kSeed = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
    "INSERT INTO tqmaster (rid, question, answer1, answer2, answer3, answer4, true_answer, sts, qgrp) VALUES"
    " (1,'Bir','a','b','c','d','1',0,1);");

const QStringList kDesigned{QStringLiteral("question=60;;Soru / Resimli Soru {resim.uzantı} / ~<?>Soru Grup Başlığı;;F"),
                            QStringLiteral("answer1=28;;Cevap A;;F"),
                            QStringLiteral("answer2=28;;Cevap B;;F"),
                            QStringLiteral("answer3=28;;Cevap C;;F"),
                            QStringLiteral("answer4=28;;Cevap D;;F"),
                            QStringLiteral("true_answer=8;;Doğru~Cevap;;F"),
                            QStringLiteral("sts=5;;Soru~İptal;;F")};

// Lines as the file holds them: Windows-1254, CR LF.
QByteArray fileBytes(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines) {
        for (const QChar c : line) out.append(char(codepage::encodeByte(codepage::Turkish, c.unicode())));
        out.append("\r\n");
    }
    return out;
}

QStringList withSection(const QStringList& keys) { return QStringList{QStringLiteral("[soru_girwwDBGrid2]")} + keys; }

struct Layout : ProgramFixture {
    explicit Layout() : ProgramFixture(kSeed) { show(); }
    QString iniPath() const { return db.folder() + QStringLiteral("GridAyarlari.ini"); }
    QByteArray ini() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeIni(const QByteArray& bytes) const {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    grid::DataGrid* grid() const { return forms().soru_gir->wwDBGrid2; }
    QStringList fields() const {
        QStringList out;
        for (int c = 0; c < grid()->columnCount(); ++c) out << grid()->columnField(c);
        return out;
    }
    // Opens the entry window with "Sorular", runs f in it and closes it.
    void inEntryWindow(const std::function<void()>& f = {}) {
        whenModal([&] {
            if (f) f();
            forms().soru_gir->close();
        });
        QTest::mouseClick(main->ToolButton24, Qt::LeftButton);
    }
    // The program ends and starts again over the same file.
    void restart() {
        program.reset();
        program = std::make_unique<app::Program>(db.folder() + QStringLiteral("Quorvel.exe"));
        main = program->forms().main;
        session = &program->session();
        show();
    }
};

}  // namespace

class TestLayoutFile : public QObject {
    Q_OBJECT
private slots:
    // Without a file the designed columns show; the first close writes them.
    void firstCloseWritesTheFile() {
        Layout a;
        QVERIFY(!QFile::exists(a.iniPath()));
        a.inEntryWindow([&] { QCOMPARE(a.fields().size(), 7); });
        QCOMPARE(a.ini(), fileBytes(withSection(kDesigned)));
        // The program's end writes the same again.
        a.program.reset();
        QCOMPARE(a.ini(), fileBytes(withSection(kDesigned)));
    }

    // A wider column and a moved column come back in this run and the next.
    void widthAndOrderSurviveARestart() {
        Layout a;
        a.inEntryWindow([&] {
            QStringList lines = a.grid()->selected();
            lines[0].replace(QStringLiteral("\t60\t"), QStringLiteral("\t75\t"));
            lines.move(6, 0);  // sts first
            a.grid()->setSelected(lines);
        });
        QVERIFY(a.ini().contains("\r\nsts=5;;Soru~\xDDptal;;F\r\nquestion=75;;"));
        a.restart();
        a.inEntryWindow([&] {
            QCOMPARE(a.fields().first(), QStringLiteral("sts"));
            QCOMPARE(a.grid()->selected().at(1).section(u'\t', 1, 1), QStringLiteral("75"));
            QCOMPARE(a.grid()->columnTitleLines(0), (QStringList{QStringLiteral("Soru"), QStringLiteral("İptal")}));
        });
    }

    // A key taken out of the file hides its column for good.
    void removedKeyHidesColumnForGood() {
        Layout a;
        a.writeIni(fileBytes(withSection(kDesigned.mid(0, 6))));
        a.inEntryWindow([&] { QVERIFY(!a.fields().contains(QStringLiteral("sts"))); });
        QCOMPARE(a.ini(), fileBytes(withSection(kDesigned.mid(0, 6))));
    }

    // A value without the delimiter: the warning, the columns as they were,
    // and the next close rewrites the section whole.
    void keyDelimiterNotFound() {
        Layout a;
        QStringList broken = kDesigned;
        broken[1] = QStringLiteral("answer1=28");
        a.writeIni(fileBytes(QStringList{QStringLiteral("[Başka]"), QStringLiteral("x=1")} + withSection(broken)));
        BoxScript boxes;
        boxes.expect(Button::OK);
        a.inEntryWindow([&] { QCOMPARE(a.fields().size(), 7); });
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
        QCOMPARE(boxes.last().text, QStringLiteral("Key Delimiter Not Found"));
        // Other sections are neither read nor changed.
        QCOMPARE(a.ini(), fileBytes(QStringList{QStringLiteral("[Başka]"), QStringLiteral("x=1")} + withSection(kDesigned)));
    }

    // A width that is not a whole number: the conversion error, the columns kept.
    void widthNotANumber() {
        Layout a;
        QStringList broken = kDesigned;
        broken[2] = QStringLiteral("answer2=geniş;;Cevap B;;F");
        a.writeIni(fileBytes(withSection(broken)));
        BoxScript boxes;
        boxes.expect(Button::OK);
        a.inEntryWindow([&] { QCOMPARE(a.fields().size(), 7); });
        QCOMPARE(boxes.last().text, QStringLiteral("'geniş' is not a valid integer value."));
    }

    // A file marked read-only keeps its content; a close the window refuses
    // writes nothing.
    void readOnlyFileAndRefusedClose() {
        Layout a;
        const QByteArray old = fileBytes(withSection(kDesigned.mid(0, 6)));
        a.writeIni(old);
        QFile::setPermissions(a.iniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        a.inEntryWindow();
        QCOMPARE(a.ini(), old);

        QFile::setPermissions(a.iniPath(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(a.iniPath());
        BoxScript boxes;
        boxes.expect(Button::OK);  // the post rule refuses a question without a correct answer
        a.inEntryWindow([&] {
            a.session->ADOTable1.append();
            a.session->ADOTable1.field(QStringLiteral("answer1")).setAsString(QStringLiteral("yarım"));
            a.forms().soru_gir->close();
            QVERIFY(a.forms().soru_gir->isVisible());
            QVERIFY(!QFile::exists(a.iniPath()));
            a.session->ADOTable1.cancel();
        });
        QVERIFY(QFile::exists(a.iniPath()));
    }
};

QTEST_MAIN(TestLayoutFile)
#include "tst_layout_file.moc"
