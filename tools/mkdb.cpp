// Creates a new, empty database file for the program from its schema.
// Usage: quorvel-mkdb PATH
#include "storage/database_file.h"
#include "storage/errors.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: quorvel-mkdb PATH\n";
        return 2;
    }
    try {
        storage::createDatabase(args.at(1));
    } catch (const storage::Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
