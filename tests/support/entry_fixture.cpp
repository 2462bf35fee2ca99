#include "tests/support/entry_fixture.h"

#include "bank/frm_qeditx.h"
#include "bank/frm_soru_gir.h"
#include "storage/session.h"
#include "storage/statements.h"

#include <QTest>

EntryFixture::EntryFixture(const QString& sql) : ProgramFixture(sql), w(forms().soru_gir) {
    show();
    session->ADOTable1.setCommandText(storage::sql::questionsOfGroup(1));
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

EntryFixture::~EntryFixture() {
    if (w->isVisible()) w->close();
    forms().qeditx->hide();
    session->ADOTable1.close();
}

storage::RecordSet& EntryFixture::q() { return session->ADOTable1; }
