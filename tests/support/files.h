#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// A file's bytes, empty when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes bytes as a whole file; fails the test when it cannot.
inline void writeFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}
