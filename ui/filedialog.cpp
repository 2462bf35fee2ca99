#include "ui/filedialog.h"

#include <QFileDialog>

namespace filedialog {

namespace {
Interceptor& interceptor() {
    static Interceptor instance;
    return instance;
}
}  // namespace

QString openFileName(QWidget* owner, const QString& caption, const QString& filter) {
    if (interceptor()) return interceptor()(caption, filter);
    return QFileDialog::getOpenFileName(owner, caption, QString(), filter, nullptr, QFileDialog::Options());
}

QString saveFileName(QWidget* owner, const QString& caption, const QString& filter, const QString& suggested) {
    if (interceptor()) return interceptor()(caption, filter);
    return QFileDialog::getSaveFileName(owner, caption, suggested, filter, nullptr, QFileDialog::Options());
}

void setInterceptor(Interceptor i) { interceptor() = std::move(i); }

}  // namespace filedialog
