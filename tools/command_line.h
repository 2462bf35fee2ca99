#pragma once

// What the command-line tools share about their arguments: --help and -h
// print the usage and end well; any other word that starts with "-" is an
// option the tool does not know, never a file name (a file of that name is
// given as "./-name").
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace tools {

// Looks through the arguments after the program's name. Returns the exit code
// when the tool must end here: 0 after printing the usage for --help or -h,
// 2 after printing it with the unknown option on standard error. known are the
// options the tool takes itself.
inline std::optional<int> checkArguments(const QStringList& args, const char* usage, const QStringList& known = {}) {
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            QTextStream(stdout) << usage;
            return 0;
        }
    }
    for (const QString& a : args) {
        if (a.startsWith(u'-') && a.size() > 1 && !known.contains(a)) {
            QTextStream(stderr) << "unknown option: " << a << '\n' << usage;
            return 2;
        }
    }
    return std::nullopt;
}

}  // namespace tools
