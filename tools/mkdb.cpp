// Creates a new database file for the program from its schema: empty, or
// holding the sample bank for newcomers (with its pictures beside it).
// Usage: quorvel-mkdb PATH
//        quorvel-mkdb --sample PATH
#include "storage/database_file.h"
#include "storage/errors.h"
#include "text/sample_bank.h"
#include "tools/command_line.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    // The sample's picture is drawn with text, which needs a GUI application;
    // no display is needed for that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    const char* const usage = "usage: quorvel-mkdb PATH\n       quorvel-mkdb --sample PATH\n";
    if (const auto end = tools::checkArguments(args.mid(1), usage, {QStringLiteral("--sample")})) return *end;
    const bool sample = args.size() == 3 && args.at(1) == QLatin1String("--sample");
    if ((args.size() != 2 || args.at(1) == QLatin1String("--sample")) && !sample) {
        err << usage;
        return 2;
    }
    try {
        if (sample)
            samplebank::write(samplebank::parse(samplebank::text()), args.at(2));
        else
            storage::createDatabase(args.at(1));
    } catch (const storage::Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
