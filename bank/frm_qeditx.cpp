#include "bank/frm_qeditx.h"

Tqeditx::Tqeditx(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("qeditx"));
    setWindowTitle(QStringLiteral("Soru Detay"));
}
