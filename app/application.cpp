#include "app/application.h"

#include "app/msgbox.h"

#include <QApplication>

namespace app {

int run(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(msgbox::applicationTitle());
    return 0;
}

}  // namespace app
