#include "text/inifile.h"

#include "encoding/codepages.h"
#include "storage/errors.h"
#include "storage/part_file.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

QString decoded(const QByteArray& bytes) {
    return codepage::decode(codepage::Turkish, reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
}

QByteArray encoded(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const int b = codepage::encodeByte(codepage::Turkish, c.unicode());
        out.append(b < 0 ? '?' : char(b));
    }
    return out;
}

}  // namespace

IniFile IniFile::load(const QString& path) {
    // Not blocking: a FIFO named like the file would wait for a writer for ever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) return {};
        throw storage::Error(QStringLiteral("\"%1\" dosyası okunamıyor (%2).").arg(path, storage::systemReason(error)));
    }
    struct stat st {};
    QByteArray bytes;
    QString refusal;
    if (::fstat(fd, &st) != 0) {
        refusal = QStringLiteral("\"%1\" dosyası okunamıyor (%2).").arg(path, storage::systemReason(errno));
    } else if (!S_ISREG(st.st_mode)) {
        refusal = QStringLiteral("\"%1\" düzenli bir dosya değil (bir klasör, FIFO ya da aygıt); okunmadı.").arg(path);
    } else {
        // Read up to one byte past the bound: a file that grows meanwhile is measured by what it gives.
        bytes.resize(std::min<qint64>(st.st_size, kMaxBytes) + 1);
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                refusal = QStringLiteral("\"%1\" dosyası okunamıyor (%2).").arg(path, storage::systemReason(errno));
                break;
            }
            if (n == 0) break;
            got += n;
            if (got == bytes.size() && got <= kMaxBytes) bytes.resize(std::min<qsizetype>(got * 2, kMaxBytes + 1));
        }
        bytes.truncate(got);
        if (refusal.isEmpty() && (st.st_size > kMaxBytes || got > kMaxBytes))
            refusal = QStringLiteral("\"%1\" dosyası çok büyük (%2 bayt; en çok %3 bayt okunur); okunmadı.")
                          .arg(path)
                          .arg(qint64(std::max<qint64>(st.st_size, got)))
                          .arg(kMaxBytes);
    }
    ::close(fd);
    if (!refusal.isEmpty()) throw storage::Error(refusal);
    return parse(bytes);
}

IniFile IniFile::parse(const QByteArray& bytes) {
    IniFile ini;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', from);
        const qsizetype end = lf < 0 ? bytes.size() : lf + 1;
        QByteArray line = bytes.mid(from, end - from);
        qsizetype textEnd = line.size();
        if (textEnd > 0 && line[textEnd - 1] == '\n') --textEnd;
        if (textEnd > 0 && line[textEnd - 1] == '\r') --textEnd;
        ini.lines_.append(decoded(line.left(textEnd)));
        ini.raw_.append(std::move(line));
        from = end;
    }
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
    if (first < 0) return;
    lines_.erase(lines_.begin() + first, lines_.begin() + end);
    raw_.erase(raw_.begin() + first, raw_.begin() + end);
}

void IniFile::insertLine(int at, const QString& text) {
    // The line before needs an ending of its own (a file's last line may lack one).
    if (at > 0 && !raw_[at - 1].endsWith('\n')) raw_[at - 1].append("\r\n");
    lines_.insert(at, text);
    raw_.insert(at, encoded(text) + "\r\n");
}

void IniFile::writeKey(const QString& section, const QString& key, const QString& value) {
    auto [first, end] = sectionLines(section);
    if (first < 0) {
        insertLine(int(lines_.size()), u'[' + section + u']');
        first = int(lines_.size()) - 1;
        end = int(lines_.size());
    }
    const QString line = key + u'=' + value;
    for (int i = first + 1; i < end; ++i) {
        const qsizetype eq = lines_[i].indexOf(u'=');
        if (eq >= 0 && lines_[i].left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            // The line keeps its place and its ending.
            const bool ended = raw_[i].endsWith('\n');
            lines_[i] = line;
            raw_[i] = encoded(line) + (ended ? "\r\n" : "");
            return;
        }
    }
    // After the section's last key, before any blank lines that part it from the next.
    int at = end;
    while (at > first + 1 && lines_[at - 1].trimmed().isEmpty()) --at;
    insertLine(at, line);
}

QByteArray IniFile::bytes() const {
    QByteArray out;
    for (const QByteArray& line : raw_) out.append(line);
    return out;
}

bool IniFile::markedReadOnly(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(QFile::encodeName(path).constData(), W_OK) != 0;
}

void IniFile::save(const QString& path) const {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
        // Writing through a link would change a file elsewhere that may be
        // anything of the user's; replacing the link would silently cut it.
        if (S_ISLNK(st.st_mode))
            throw storage::Error(QStringLiteral("\"%1\" bir sembolik bağlantı; gösterdiği dosya başka bir şeyin olabilir, "
                                                "üzerine yazılmadı. Bağlantıyı silerseniz dosya yeniden yazılır.")
                                     .arg(path));
        if (!S_ISREG(st.st_mode))
            throw storage::Error(
                QStringLiteral("\"%1\" düzenli bir dosya değil (bir klasör, FIFO ya da aygıt); üzerine yazılmadı.").arg(path));
        if (markedReadOnly(path)) throw storage::Error(QStringLiteral("\"%1\" dosyası yazılamıyor").arg(path));
    }
    // The part file keeps the old file's permissions when it takes its place.
    storage::writeWholeFile(path, bytes());
}
