#include "app/application.h"

#include "app/forms.h"
#include "app/frm_main.h"
#include "ui/msgbox.h"

#include <QApplication>

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
}  // namespace

int run(int argc, char** argv) {
    Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setQuitOnLastWindowClosed(false);  // the main window's close ends the program
    // A window that cannot be built says why instead of ending without a word.
    std::unique_ptr<Program> program;
    try {
        program = std::make_unique<Program>(QCoreApplication::applicationFilePath());
    } catch (...) {
        msgbox::showCurrentException();
        return 1;
    }
    program->forms().main->show();
    return application.exec();
}

}  // namespace app
