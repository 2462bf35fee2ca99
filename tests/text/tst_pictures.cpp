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

    // Pictures of 33-40 million pixels are shown, scaled to the box, whatever
    // the reader needs for them at full size; larger ones are refused as too
    // large, not as unreadable.
    void largePictures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<bool>("shown");
        QTest::newRow("33 M pixels, PNG") << QStringLiteral("a.png") << QSize(5500, 6000) << QImage::Format_ARGB32 << true;
        QTest::newRow("40 M pixels, JPEG") << QStringLiteral("b.jpg") << QSize(8000, 5000) << QImage::Format_RGB32 << true;
        QTest::newRow("36 M pixels, 16-bit PNG") << QStringLiteral("c.png") << QSize(6000, 6000) << QImage::Format_RGBA64 << true;
        QTest::newRow("41 M pixels") << QStringLiteral("d.png") << QSize(6500, 6400) << QImage::Format_Mono << false;
    }
    void largePictures() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QImage::Format, format);
        QFETCH(bool, shown);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        {
            QImage image(size, format);
            image.fill(Qt::darkGreen);
            QVERIFY(image.save(path));
        }
        picture::Failure failure = picture::Failure::None;
        const QImage image = picture::load(path, QSize(196, 196), &failure);
        QCOMPARE(image.isNull(), !shown);
        QCOMPARE(failure, shown ? picture::Failure::None : picture::Failure::TooLarge);
        if (shown) QCOMPARE(image.size(), size.scaled(QSize(196, 196), Qt::KeepAspectRatio));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
