#pragma once

#include <QString>
#include <QVariant>

namespace storage {

enum class FieldKind { AutoNumber, Integer, Float, Text, Memo, Boolean };

struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::Memo;
    int size = 0;           // characters, for Text fields
    bool readOnly = false;  // auto-numbers and computed columns
    QString originColumn;   // column of the table the row is written to
    bool isNumeric() const { return kind == FieldKind::AutoNumber || kind == FieldKind::Integer || kind == FieldKind::Float; }
};

// A field value as text: null "", yes/no "True"/"False", numbers in decimal.
QString displayText(const QVariant& value);

// The kind of a column from its declared type; *size is the length of a
// character column (255 when it states none), else 0.
FieldKind kindOfDeclaredType(const QString& declared, int* size);

// Values come in two forms. A raw value is what the file holds: null, qint64,
// double, QString, QByteArray or ForeignText (text that is not UTF-8). A field
// value is the raw value read as its field's kind: qint64 for numbers, double,
// bool for yes/no, QString for text. A number field that holds something else
// (another program may store text in an INTEGER column) keeps it as it is.

// Converts a value to a field's kind, as setting it would store it; a value
// that does not fit throws an error named after owner: "tgrp: ...".
QVariant convert(const FieldDef& def, const QVariant& value, const QString& owner);
// The field value of a raw value as read from the file. Taken by value: a
// value read for the moment (every field of a transfer) moves through.
QVariant fromRaw(const FieldDef& def, QVariant raw);
// The raw value a field value is written as.
QVariant toRaw(const FieldDef& def, const QVariant& value);

// A field value as a yes/no (null reads false); a text that reads as
// neither throws an error named after owner.
bool booleanOf(const QVariant& value, const QString& owner);

// A value as a key that completes a statement: a whole number by type or
// exactly, never null, never bytes, never text that merely starts with digits,
// never a rounded decimal. Read it from the raw value (Field::asKey does): a
// text field shows bytes of digits as the digits. Anything else throws a Turkish error naming the owner and
// the field, so that no statement is sent with it.
qint64 keyOf(const QVariant& value, const QString& owner, const QString& field);

// Whether two raw values are the same value of the same storage class, as
// SQLite's IS compares them; text compares byte for byte.
bool sameRaw(const QVariant& a, const QVariant& b);

// Orders values for sorting: nulls first, then as text when either is text,
// as reals when either is real, else as integers.
int compareValues(const QVariant& a, const QVariant& b);
// Whether two values are equal in that order, a null matching only a null.
bool sameValue(const QVariant& a, const QVariant& b);

}  // namespace storage
