#include "ui/lockwait.h"

#include "ui/busy.h"

#include <memory>

namespace ui {

namespace {
std::unique_ptr<BusyStatus> waiting;
}  // namespace

QString lockWaitText() { return QStringLiteral("Veritabanı dosyası başka bir program tarafından kullanılıyor; bekleniyor…"); }

void showLockWait(bool wait) {
    if (wait && !waiting)
        waiting = std::make_unique<BusyStatus>(lockWaitText());
    else if (!wait)
        waiting.reset();
}

}  // namespace ui
