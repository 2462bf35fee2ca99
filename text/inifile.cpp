#include "text/inifile.h"

#include "encoding/codepages.h"
#include "storage/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(u'[')) return {};
    const qsizetype close = t.indexOf(u']');
    return close < 0 ? QString() : t.mid(1, close - 1).trimmed();
}

bool isSectionLine(const QString& line) { return line.trimmed().startsWith(u'['); }

QString unquoted(QString value) {
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') value = value.mid(1, value.size() - 2);
    return value;
}

}  // namespace

IniFile IniFile::load(const QString& path) {
    QFile file(path);
    if (!file.exists()) return {};
    if (!file.open(QIODevice::ReadOnly)) throw storage::Error(QStringLiteral("\"%1\" dosyası okunamıyor").arg(path));
    return parse(file.readAll());
}

IniFile IniFile::parse(const QByteArray& bytes) {
    IniFile ini;
    const QString text =
        codepage::decode(codepage::Turkish, reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
    ini.lines_ = text.split(u'\n');
    for (QString& line : ini.lines_)
        if (line.endsWith(u'\r')) line.chop(1);
    // A final line ending leaves one empty piece that is no line of the file.
    if (!ini.lines_.isEmpty() && ini.lines_.last().isEmpty()) ini.lines_.removeLast();
    return ini;
}

std::pair<int, int> IniFile::sectionLines(const QString& section) const {
    int first = -1;
    for (int i = 0; i < lines_.size(); ++i) {
        if (!isSectionLine(lines_[i])) continue;
        if (first >= 0) return {first, i};
        if (sectionName(lines_[i]).compare(section, Qt::CaseInsensitive) == 0) first = i;
    }
    return {first, int(lines_.size())};
}

QList<IniFile::Pair> IniFile::pairs(const QString& section) const {
    QList<Pair> result;
    const auto [first, end] = sectionLines(section);
    if (first < 0) return result;
    for (int i = first + 1; i < end; ++i) {
        const QString& line = lines_[i];
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || line.trimmed().startsWith(u';')) continue;
        const QString key = line.left(eq).trimmed();
        if (key.isEmpty()) continue;
        result.append({key, unquoted(line.mid(eq + 1).trimmed())});
    }
    return result;
}

void IniFile::eraseSection(const QString& section) {
    const auto [first, end] = sectionLines(section);
    if (first >= 0) lines_.erase(lines_.begin() + first, lines_.begin() + end);
}

void IniFile::writeKey(const QString& section, const QString& key, const QString& value) {
    auto [first, end] = sectionLines(section);
    if (first < 0) {
        lines_.append(u'[' + section + u']');
        first = int(lines_.size()) - 1;
        end = int(lines_.size());
    }
    const QString line = key + u'=' + value;
    for (int i = first + 1; i < end; ++i) {
        const qsizetype eq = lines_[i].indexOf(u'=');
        if (eq >= 0 && lines_[i].left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            lines_[i] = line;
            return;
        }
    }
    // After the section's last key, before any blank lines that part it from the next.
    int at = end;
    while (at > first + 1 && lines_[at - 1].trimmed().isEmpty()) --at;
    lines_.insert(at, line);
}

QByteArray IniFile::bytes() const {
    QByteArray out;
    for (const QString& line : lines_) {
        for (const QChar c : line) {
            const int b = codepage::encodeByte(codepage::Turkish, c.unicode());
            out.append(b < 0 ? '?' : char(b));
        }
        out.append("\r\n");
    }
    return out;
}

void IniFile::save(const QString& path) const {
    const QFileInfo info(path);
    // A file marked read-only stays as it is, even for a user (root) whom the
    // system would let write it: the mark is the owner's wish.
    const auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & writeBits)))
        throw storage::Error(QStringLiteral("\"%1\" dosyası yazılamıyor").arg(path));
    QSaveFile file(path);
    const QByteArray content = bytes();
    // A short write (a full disk, a size limit) is no error to the device:
    // only the count tells, and then the old file must stay.
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        file.cancelWriting();
        file.commit();
        throw storage::Error(QStringLiteral("\"%1\" dosyası yazılamadı: %2").arg(path, file.errorString()));
    }
    if (!file.commit()) throw storage::Error(QStringLiteral("\"%1\" dosyası yazılamadı: %2").arg(path, file.errorString()));
}
