// Prints the plain text the program shows for a stored RTF memo.
// Usage: quorvel-rtf-text [--document] [--stored] FILE
//
// The file's bytes go in as the database hands a memo over, one character per
// byte. With --document the text comes through the editor's path: the memo is
// read into a text document and the document's text is printed. With --stored
// the text is the one a save keeps: without the placeholders of objects.
#include "text/rtf.h"
#include "tools/command_line.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>
#include <QTextStream>

int main(int argc, char** argv) {
    // A document needs fonts, fonts need a platform; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    const char* const usage = "usage: quorvel-rtf-text [--document] [--stored] FILE\n";
    if (const auto end = tools::checkArguments(args, usage, {QStringLiteral("--document"), QStringLiteral("--stored")}))
        return *end;
    const bool document = args.removeAll(QStringLiteral("--document")) > 0;
    const bool stored = args.removeAll(QStringLiteral("--stored")) > 0;
    if (args.size() != 1) {
        err << usage;
        return 2;
    }
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly)) {
        err << file.fileName() << ": " << file.errorString() << '\n';
        return 1;
    }
    const QString content = QString::fromLatin1(file.readAll());
    QString text;
    if (document) {
        QTextDocument doc;
        rtf::readDocument(doc, content);
        text = stored ? rtf::questionText(doc) : rtf::plainText(doc);
    } else {
        text = stored ? rtf::questionText(content) : rtf::plainText(content);
    }
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    out << text;
    if (!text.endsWith(u'\n')) out << "\r\n";
    return 0;
}
