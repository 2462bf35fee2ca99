#include "exams/frm_yeni_sinav.h"

Tyeni_sinav::Tyeni_sinav(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("yeni_sinav"));
    setWindowTitle(QStringLiteral("Yeni Sınav"));
}
