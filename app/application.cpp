#include "app/application.h"

#include "app/forms.h"
#include "app/frm_main.h"
#include "ui/msgbox.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <memory>

namespace app {

namespace {
// Last line of defence: an exception that escapes an event handler is shown
// in the default error box and the program goes on.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            msgbox::showCurrentException();
            return false;
        }
    }
};

// For measurement only (bench/bench_startup.cpp): with QUORVEL_STARTUP_PROBE
// set, the first paint of the main window or of anything in it is followed,
// once that paint pass has ended, by the window title on standard output, and
// the program quits. The title shows that the bank was opened and counted.
class FirstPaintProbe : public QObject {
public:
    explicit FirstPaintProbe(QWidget* window) : window_(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!done_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_) {
            done_ = true;
            QTimer::singleShot(0, window_, [w = window_] {
                std::printf("%s\n", qPrintable(w->windowTitle()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    QWidget* window_;
    bool done_ = false;
};
}  // namespace

bool installQtTranslations() {
    // The program speaks Turkish whatever the desktop's language is, and so
    // do the dialogs Qt brings (files, printing, preview, fonts, colours).
    // "qt_tr" gathers the catalogues of Qt's modules; without the package
    // that ships it they stay English.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qt_tr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

int run(int argc, char** argv) {
    Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    installQtTranslations();
    QApplication::setQuitOnLastWindowClosed(false);  // the main window's close ends the program
    // A window that cannot be built says why instead of ending without a word.
    std::unique_ptr<Program> program;
    try {
        program = std::make_unique<Program>(QCoreApplication::applicationFilePath());
    } catch (...) {
        msgbox::showCurrentException();
        return 1;
    }
    std::unique_ptr<FirstPaintProbe> probe;
    if (qEnvironmentVariableIsSet("QUORVEL_STARTUP_PROBE")) {
        probe = std::make_unique<FirstPaintProbe>(program->forms().main);
        application.installEventFilter(probe.get());
    }
    program->forms().main->show();
    return application.exec();
}

}  // namespace app
