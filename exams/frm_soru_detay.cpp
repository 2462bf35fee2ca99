#include "exams/frm_soru_detay.h"

Tsoru_detay::Tsoru_detay(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("soru_detay"));
    setWindowTitle(QStringLiteral("Soru Detayları"));
}
