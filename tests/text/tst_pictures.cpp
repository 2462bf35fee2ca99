#include "text/pictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using Status = picture::File::Status;

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void referencesInOrderEachOnce() {
        QCOMPARE(picture::references(QStringLiteral("{b.png} ve {a.jpg}, yine {b.png}; {yok} {}")),
                 (QStringList{QStringLiteral("b.png"), QStringLiteral("a.jpg")}));
    }

    void onlyFilesInsideTheFolderAreFound_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Status>("status");
        QTest::newRow("inside") << QStringLiteral("r1.png") << Status::Found;
        QTest::newRow("missing") << QStringLiteral("yok.jpg") << Status::Missing;
        QTest::newRow("up and out") << QStringLiteral("../x.jpg") << Status::Refused;
        QTest::newRow("up and back in") << QStringLiteral("../Pictures/r1.png") << Status::Refused;
        QTest::newRow("absolute") << QStringLiteral("<root>/x.jpg") << Status::Refused;
        QTest::newRow("drive letter") << QStringLiteral("C:\\x.jpg") << Status::Refused;
        QTest::newRow("link leading out") << QStringLiteral("l.jpg") << Status::Refused;
    }
    void onlyFilesInsideTheFolderAreFound() {
        QFETCH(QString, name);
        QFETCH(Status, status);
        QTemporaryDir dir;
        const QString root = dir.path();
        QVERIFY(QDir(root).mkpath(QStringLiteral("Pictures")));
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(root + QStringLiteral("/Pictures/r1.png")));
        QVERIFY(image.save(root + QStringLiteral("/x.jpg")));
        QVERIFY(QFile::link(root + QStringLiteral("/x.jpg"), root + QStringLiteral("/Pictures/l.jpg")));
        const picture::File file =
            picture::locate(root + QStringLiteral("/Pictures"), name.replace(QStringLiteral("<root>"), root));
        QCOMPARE(file.status, status);
        if (status == Status::Found) QCOMPARE(QFileInfo(file.path).fileName(), name);
    }

    void loadScalesDownNeverUp() {
        QTemporaryDir dir;
        QImage big(1200, 600, QImage::Format_RGB32), small(40, 20, QImage::Format_RGB32);
        big.fill(Qt::red);
        small.fill(Qt::blue);
        QVERIFY(big.save(dir.filePath(QStringLiteral("big.png"))));
        QVERIFY(small.save(dir.filePath(QStringLiteral("small.png"))));
        QCOMPARE(picture::load(dir.filePath(QStringLiteral("big.png")), QSize(196, 196)).size(), QSize(196, 98));
        QCOMPARE(picture::load(dir.filePath(QStringLiteral("small.png")), QSize(196, 196)).size(), QSize(40, 20));
        QVERIFY(picture::load(dir.filePath(QStringLiteral("none.png")), QSize(196, 196)).isNull());
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
