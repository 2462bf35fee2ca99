#include "grid/layoutfile.h"

#include "storage/errors.h"
#include "text/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace grid {

namespace {

// The folder part of a file name, when it has one that does not exist.
bool folderMissing(const QString& fileName) {
    const QString folder = QFileInfo(fileName).path();
    return fileName.contains(u'/') && !QDir(folder).exists();
}

const QString kNoFolder = QStringLiteral("Directory does not exist");

}  // namespace

LayoutWarning saveLayout(const QStringList& columnList, const IniAttributes& ini, const QString& section, bool ending) {
    if (ini.FileName.isEmpty()) return {};
    if (folderMissing(ini.FileName)) return ending ? QString() : kNoFolder;
    if (columnList.isEmpty()) return {};
    // A file marked read-only is the owner's wish: it stays, without a word.
    if (IniFile::markedReadOnly(ini.FileName)) return {};
    try {
        IniFile file = IniFile::load(ini.FileName);
        file.eraseSection(section);
        for (const QString& line : columnList) {
            const QStringList parts = line.split(u'\t');
            QString value = parts.value(1) + ini.Delimiter + parts.value(2) + ini.Delimiter +
                            (parts.size() >= 4 ? parts[3] : QStringLiteral("F"));
            if (parts.size() == 5) value += ini.Delimiter + parts[4];
            file.writeKey(section, parts[0], value);
        }
        file.save(ini.FileName);
    } catch (const storage::Error& e) {
        // The old file stays as it was; the user hears why the layout was
        // not kept, unless the program is ending and nobody is left to tell.
        if (!ending) return QStringLiteral("Sütun düzeni kaydedilemedi. ") + e.message();
    }
    return {};
}

std::optional<QStringList> loadLayout(const QStringList& current, const IniAttributes& ini, const QString& section,
                                      LayoutWarning* warning) {
    if (warning) warning->clear();
    if (ini.FileName.isEmpty()) return std::nullopt;
    if (folderMissing(ini.FileName)) {
        if (warning) *warning = kNoFolder;
        return std::nullopt;
    }
    QList<IniFile::Pair> pairs;
    try {
        pairs = IniFile::load(ini.FileName).pairs(section);
    } catch (const storage::Error& e) {
        if (warning) *warning = QStringLiteral("Sütun düzeni yüklenmedi. ") + e.message();
        return std::nullopt;
    }
    // A key written twice counts once, by its first line, as a profile
    // reading by key gives it: two columns of one field would share its control.
    QSet<QString> seen;
    pairs.removeIf([&](const IniFile::Pair& p) {
        const QString key = p.first.toLower();
        if (seen.contains(key)) return true;
        seen.insert(key);
        return false;
    });
    if (pairs.isEmpty()) return std::nullopt;
    QStringList lines;
    for (const auto& [key, value] : pairs) {
        if (!value.contains(ini.Delimiter)) {
            if (warning) *warning = QStringLiteral("Key Delimiter Not Found");
            return std::nullopt;
        }
        lines.append(key + u'\t' + QString(value).replace(ini.Delimiter, QStringLiteral("\t")));
    }
    if (ini.CheckNewFields) {
        for (const QString& old : current) {
            const QString field = old.section(u'\t', 0, 0);
            const bool named = std::any_of(lines.begin(), lines.end(), [&](const QString& l) {
                return l.section(u'\t', 0, 0).compare(field, Qt::CaseInsensitive) == 0;
            });
            if (!named) lines.append(old);
        }
    }
    return lines;
}

}  // namespace grid
