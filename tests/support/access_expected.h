#pragma once

#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// The expected content of the Access bank fixture (legacy-access/*.expected.tsv):
// per table, its rows, each a list of fields as text; a null field is a null QString.
inline QMap<QString, QList<QStringList>> expectedAccessRows(const QString& tsvPath) {
    QMap<QString, QList<QStringList>> out;
    QFile f(tsvPath);
    if (!f.open(QIODevice::ReadOnly)) return out;
    QString table;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.isEmpty()) continue;
        if (line.startsWith(u'#')) {
            table = line.mid(2).section(u':', 0, 0);
            continue;
        }
        QStringList fields;
        for (const QString& field : line.split(u'\t')) {
            if (field == QLatin1String("\\N")) {
                fields << QString();
                continue;
            }
            QString v;
            for (qsizetype i = 0; i < field.size(); ++i) {
                if (field[i] != u'\\' || i + 1 == field.size()) {
                    v += field[i];
                    continue;
                }
                const QChar e = field[++i];
                v += e == u'r' ? QChar(u'\r') : e == u'n' ? QChar(u'\n') : e == u't' ? QChar(u'\t') : e;
            }
            fields << (v.isNull() ? QStringLiteral("") : v);
        }
        out[table] << fields;
    }
    return out;
}
