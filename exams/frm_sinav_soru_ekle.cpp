#include "exams/frm_sinav_soru_ekle.h"

Tsinav_soru_ekle::Tsinav_soru_ekle(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("sinav_soru_ekle"));
    setWindowTitle(QStringLiteral("Soru Ekle"));
}
