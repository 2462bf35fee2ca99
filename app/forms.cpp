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
#include "storage/session.h"
#include "ui/accessibility.h"
#include "ui/lockwait.h"
#include "ui/look.h"
#include "ui/placement.h"

namespace app {

Program::Program(const QString& executablePath) : session_(std::make_unique<storage::Session>()) {
    ui::installAccessibility();
    ui::installFonts();
    ui::installPlacement();
    storage::Session& s = *session_;
    s.ADOConnection1.setLockWaitNotifier(&ui::showLockWait);
    forms_.main = new Tmain(s, forms_);
    forms_.main->setExecutablePath(executablePath);
    forms_.grpx = new Tgrpx(s);
    forms_.sgrpx = new Tsgrpx(s);
    forms_.yeni_sinav = new Tyeni_sinav;
    forms_.sinav_soru_ekle = new Tsinav_soru_ekle(s);
    forms_.soru_detay = new Tsoru_detay;
    auto programFolder = [main = forms_.main] { return main->ProgramFolder; };
    forms_.qeditx = new Tqeditx(s, programFolder);
    forms_.qimport = new Tqimport;
    forms_.soru_gir = new Tsoru_gir(s, forms_.qeditx, forms_.grpx, forms_.sgrpx, forms_.qimport, programFolder);
}

Program::~Program() {
    // The other windows are bound to the session's record sets through their
    // grids and hooks; they go first, the main window last, then the data.
    delete forms_.soru_gir;
    delete forms_.qimport;
    delete forms_.qeditx;
    delete forms_.soru_detay;
    delete forms_.sinav_soru_ekle;
    delete forms_.yeni_sinav;
    delete forms_.sgrpx;
    delete forms_.grpx;
    delete forms_.main;
    forms_ = Forms();
}

}  // namespace app
