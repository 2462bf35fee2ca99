#include "storage/fields.h"

#include "storage/errors.h"
#include "storage/legacy_text.h"

#include <QRegularExpression>

#include <cmath>

#include <cstdint>
#include <limits>

namespace storage {

namespace {

bool isNullValue(const QVariant& v) { return !v.isValid() || v.isNull(); }

bool textIsTrue(const QString& text, bool* ok) {
    const QString t = text.trimmed().toLower();
    *ok = true;
    if (t == QLatin1String("true") || t == QLatin1String("t") || t == QLatin1String("yes") || t == QLatin1String("y") ||
        t == QLatin1String("1") || t == QLatin1String("-1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("f") || t == QLatin1String("no") || t == QLatin1String("n") ||
        t == QLatin1String("0"))
        return false;
    *ok = false;
    return false;
}

// Cuts a text to a number of characters without splitting a surrogate pair.
QString cutToSize(const QString& text, int size) {
    if (size <= 0 || text.size() <= size) return text;
    qsizetype n = size;
    if (text.at(n - 1).isHighSurrogate()) --n;
    return text.left(n);
}

Error notValid(const QString& owner, const QVariant& value, const char* what) {
    return Error(owner + QStringLiteral(": '%1' is not a valid %2 value").arg(value.toString(), QLatin1String(what)));
}

}  // namespace

QString displayText(const QVariant& v) {
    if (isNullValue(v)) return QString();
    if (isForeignText(v)) return decodeWindows1254(v.value<ForeignText>().bytes);
    switch (v.typeId()) {
        case QMetaType::QByteArray:
            return decodeStoredText(v.toByteArray());
        case QMetaType::Bool:
            return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::Double:
            return QString::number(v.toDouble(), 'g', 15);
        default:
            return v.toString();
    }
}

FieldKind kindOfDeclaredType(const QString& declared, int* size) {
    const QString t = declared.trimmed().toUpper();
    *size = 0;
    if (t.contains(QLatin1String("CHAR"))) {
        const qsizetype open = t.indexOf(u'(');
        const qsizetype close = t.indexOf(u')', open);
        bool ok = false;
        if (open >= 0 && close > open) *size = t.mid(open + 1, close - open - 1).trimmed().toInt(&ok);
        if (!ok || *size <= 0) *size = 255;
        return FieldKind::Text;
    }
    if (t.contains(QLatin1String("BOOL")) || t == QLatin1String("YESNO") || t == QLatin1String("BIT")) return FieldKind::Boolean;
    if (t.contains(QLatin1String("INT")) || t == QLatin1String("COUNTER") || t == QLatin1String("LONG"))
        return FieldKind::Integer;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")) ||
        t.contains(QLatin1String("NUM")) || t.contains(QLatin1String("DEC")) || t.contains(QLatin1String("CURRENCY")))
        return FieldKind::Float;
    return FieldKind::Memo;
}

QVariant convert(const FieldDef& def, const QVariant& value, const QString& owner) {
    if (isNullValue(value)) return {};
    const bool isText = value.typeId() == QMetaType::QString;
    const QString text = isText ? value.toString() : QString();
    switch (def.kind) {
        case FieldKind::AutoNumber:
        case FieldKind::Integer: {
            qint64 n = 0;
            if (isText) {
                if (text.trimmed().isEmpty()) return {};
                bool ok = false;
                n = text.trimmed().toLongLong(&ok);
                if (!ok) throw notValid(owner, value, "integer");
            } else if (value.typeId() == QMetaType::Double) {
                n = qint64(value.toDouble());
            } else {
                n = value.toLongLong();
            }
            if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
                throw notValid(owner, value, "integer");
            return QVariant(n);
        }
        case FieldKind::Float: {
            if (isText) {
                if (text.trimmed().isEmpty()) return {};
                bool ok = false;
                const double d = text.trimmed().toDouble(&ok);
                if (!ok) throw notValid(owner, value, "floating point");
                return QVariant(d);
            }
            return QVariant(value.toDouble());
        }
        case FieldKind::Boolean: {
            if (isText) {
                if (text.trimmed().isEmpty()) return {};
                bool ok = false;
                const bool b = textIsTrue(text, &ok);
                if (!ok) throw notValid(owner, value, "boolean");
                return QVariant(b);
            }
            if (value.typeId() == QMetaType::Bool) return value;
            return QVariant(value.toLongLong() != 0);
        }
        case FieldKind::Text:
            return QVariant(cutToSize(value.toString(), def.size));
        case FieldKind::Memo:
            return QVariant(value.toString());
    }
    return value;
}

QVariant fromRaw(const FieldDef& def, QVariant raw) {
    // The common cases first, without QVariant's conversions: text in a text
    // field, a number in a number field.
    const int type = raw.typeId();
    if (type == QMetaType::QString && (def.kind == FieldKind::Text || def.kind == FieldKind::Memo)) return raw;
    if (type == QMetaType::LongLong) {
        const qint64 n = *static_cast<const qint64*>(raw.constData());
        switch (def.kind) {
            case FieldKind::AutoNumber:
            case FieldKind::Integer:
                return raw;
            case FieldKind::Boolean:
                return QVariant(n != 0);
            case FieldKind::Float:
                return QVariant(double(n));
            case FieldKind::Text:
            case FieldKind::Memo:
                return QVariant(QString::number(n));
        }
    }
    if (isNullValue(raw)) return {};
    if (isForeignText(raw)) return QVariant(decodeWindows1254(raw.value<ForeignText>().bytes));
    switch (def.kind) {
        case FieldKind::AutoNumber:
        case FieldKind::Integer:
            // Bytes are not a number: kept, so that a key read refuses them
            // instead of reading 0.
            if (type == QMetaType::QByteArray) return raw;
            if (type == QMetaType::QString) {
                bool ok = false;
                const qint64 n = raw.toString().trimmed().toLongLong(&ok);
                return ok ? QVariant(n) : QVariant(raw.toString());
            }
            // A decimal stays as it is: 4.5 read as 5 would be a number the
            // file does not hold.
            if (type == QMetaType::Double && std::trunc(raw.toDouble()) != raw.toDouble()) return raw;
            return QVariant(raw.toLongLong());
        case FieldKind::Float:
            return QVariant(raw.toDouble());
        case FieldKind::Boolean:
            if (type == QMetaType::QString) {
                bool ok = false;
                return QVariant(textIsTrue(raw.toString(), &ok));
            }
            return QVariant(raw.toDouble() != 0.0);
        case FieldKind::Text:
        case FieldKind::Memo:
            if (type == QMetaType::QByteArray) return QVariant(decodeStoredText(raw.toByteArray()));
            if (type == QMetaType::Double) return QVariant(QString::number(raw.toDouble(), 'g', 15));
            if (type == QMetaType::QString) return raw;
            return QVariant(raw.toString());
    }
    return raw;
}

QVariant toRaw(const FieldDef& def, const QVariant& value) {
    if (isNullValue(value)) return {};
    switch (def.kind) {
        case FieldKind::AutoNumber:
        case FieldKind::Integer:
        case FieldKind::Boolean:
            return QVariant(qint64(value.typeId() == QMetaType::Bool ? value.toBool() : value.toLongLong()));
        case FieldKind::Float:
            return QVariant(value.toDouble());
        case FieldKind::Text:
        case FieldKind::Memo:
            return QVariant(value.toString());
    }
    return value;
}

bool booleanOf(const QVariant& v, const QString& owner) {
    if (isNullValue(v)) return false;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const bool b = textIsTrue(v.toString(), &ok);
        if (!ok) throw notValid(owner, v, "boolean");
        return b;
    }
    return v.toLongLong() != 0 || v.toBool();
}

qint64 keyOf(const QVariant& v, const QString& owner, const QString& field) {
    if (isNullValue(v))
        throw Error(owner + QStringLiteral(": \"%1\" alanı boş; bir tam sayı olmalı. İşlem yapılmadı.").arg(field));
    auto refuse = [&](const QString& why) -> Error {
        return Error(owner + QStringLiteral(": \"%1\" alanı %2; bir tam sayı olmalı. Bu değeri başka bir program "
                                            "yazmış olabilir. İşlem yapılmadı.")
                                 .arg(field, why));
    };
    switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
            return v.toLongLong();
        case QMetaType::Double: {
            // Only a decimal that is exactly a whole number; 4.5 is not 4 or 5.
            const double d = v.toDouble();
            constexpr double kExact = 9007199254740992.0;  // 2^53
            if (std::isfinite(d) && std::trunc(d) == d && std::fabs(d) <= kExact) return qint64(d);
            break;
        }
        case QMetaType::QString: {
            // Digits only, as a whole: '4 OR 1=1' and ' 4' are not keys.
            static const QRegularExpression digits(QStringLiteral("^-?[0-9]{1,18}$"));
            if (digits.match(v.toString()).hasMatch()) return v.toString().toLongLong();
            break;
        }
        default:
            break;
    }
    throw refuse(QStringLiteral("'%1' değerini taşıyor").arg(displayText(v)));
}

bool sameRaw(const QVariant& a, const QVariant& b) {
    if (isNullValue(a) || isNullValue(b)) return isNullValue(a) && isNullValue(b);
    if (isForeignText(a) || isForeignText(b))
        return isForeignText(a) && isForeignText(b) && a.value<ForeignText>() == b.value<ForeignText>();
    if (a.typeId() != b.typeId()) return false;
    switch (a.typeId()) {
        case QMetaType::QString:
            return a.toString() == b.toString();
        case QMetaType::QByteArray:
            return a.toByteArray() == b.toByteArray();
        case QMetaType::Double:
            return a.toDouble() == b.toDouble();
        default:
            return a.toLongLong() == b.toLongLong();
    }
}

int compareValues(const QVariant& a, const QVariant& b) {
    const bool an = isNullValue(a);
    const bool bn = isNullValue(b);
    if (an || bn) return int(bn) - int(an);
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString) return a.toString().compare(b.toString());
    if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const qint64 x = a.toLongLong(), y = b.toLongLong();
    return x < y ? -1 : (x > y ? 1 : 0);
}

bool sameValue(const QVariant& a, const QVariant& b) { return compareValues(a, b) == 0 && a.isNull() == b.isNull(); }

}  // namespace storage
