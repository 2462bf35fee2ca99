#include "app/forms.h"

#include "app/frm_main.h"
#include "bank/frm_grp.h"
#include "bank/frm_qeditx.h"
#include "bank/frm_qimport.h"
#include "bank/frm_sgrp.h"
#include "bank/frm_soru_gir.h"
#include "exams/frm_sinav_soru_ekle.h"
#include "exams/frm_soru_detay.h"
#include "exams/frm_yeni_sinav.h"

namespace app {

Forms forms;

Program::Program(const QString& executablePath) {
    forms.main = new Tmain;
    forms.main->setExecutablePath(executablePath);
    forms.grpx = new Tgrpx;
    forms.sgrpx = new Tsgrpx;
    forms.yeni_sinav = new Tyeni_sinav;
    forms.sinav_soru_ekle = new Tsinav_soru_ekle;
    forms.soru_detay = new Tsoru_detay;
    forms.qeditx = new Tqeditx;
    forms.qimport = new Tqimport;
    forms.soru_gir = new Tsoru_gir;
}

Program::~Program() {
    // The other windows are bound to the main window's record sets: they go first.
    delete forms.soru_gir;
    delete forms.qimport;
    delete forms.qeditx;
    delete forms.soru_detay;
    delete forms.sinav_soru_ekle;
    delete forms.yeni_sinav;
    delete forms.sgrpx;
    delete forms.grpx;
    delete forms.main;
    forms = Forms();
}

}  // namespace app
