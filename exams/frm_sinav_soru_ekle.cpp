#include "exams/frm_sinav_soru_ekle.h"

#include "storage/session.h"

Tsinav_soru_ekle::Tsinav_soru_ekle(storage::Session& session, QWidget* parent) : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("sinav_soru_ekle"));
    setWindowTitle(QStringLiteral("Soru Ekle"));
    session_.addQuestionsShown = [this] { return isVisible(); };
}

Tsinav_soru_ekle::~Tsinav_soru_ekle() { session_.addQuestionsShown = nullptr; }
