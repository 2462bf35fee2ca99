#include "grid/layoutfile.h"

#include "storage/errors.h"
#include "text/inifile.h"

#include <QDir>
#include <QFileInfo>

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
    } catch (const storage::Error&) {
        // A layout that cannot be stored costs the user nothing but the
        // layout; the old file stays as it was.
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
    } catch (const storage::Error&) {
        return std::nullopt;  // unreadable: as if there were none
    }
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
