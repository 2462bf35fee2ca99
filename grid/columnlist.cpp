#include "grid/columnlist.h"

#include "storage/errors.h"

namespace grid {

void throwNotAnInteger(const QString& text) {
    throw storage::Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

int ColumnLine::widthChars() const {
    const QString text = widthText();
    bool ok = false;
    const int chars = text.trimmed().toInt(&ok, 10);
    // Leading blanks are tolerated as a conversion routine would; anything else is not a number.
    if (!ok || text.endsWith(QLatin1Char(' '))) throwNotAnInteger(text);
    return chars;
}

QString ColumnLine::withWidth(int chars) const {
    QStringList parts = parts_;
    while (parts.size() < 2) parts.append(QString());
    parts[1] = QString::number(chars);
    return parts.join(QLatin1Char('\t'));
}

ControlLine ControlLine::parse(const QString& line) {
    const QStringList parts = line.split(QLatin1Char(';'));
    ControlLine c;
    c.field = parts.value(0);
    const QString kind = parts.value(1);
    c.first = parts.value(2);
    c.second = parts.value(3);
    if (parts.size() >= 4 && kind == QLatin1String("CheckBox")) {
        c.kind = Kind::CheckBox;
    } else if (parts.size() >= 3 && !c.first.isEmpty()) {
        if (kind.compare(QLatin1String("CustomEdit"), Qt::CaseInsensitive) == 0)
            c.kind = Kind::CustomEdit;
        else if (kind.compare(QLatin1String("RichEdit"), Qt::CaseInsensitive) == 0)
            c.kind = Kind::RichEdit;
    }
    return c;
}

}  // namespace grid
