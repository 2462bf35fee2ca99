#include "bank/frm_qimport.h"

Tqimport::Tqimport(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("qimport"));
    setWindowTitle(QStringLiteral("Data Import"));
}
