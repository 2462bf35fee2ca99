#include "exams/frm_soru_detay.h"

#include "storage/field_names.h"
#include "storage/recordset.h"
#include "text/long_text.h"
#include "ui/look.h"
#include "ui/placement.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QColor kSurface(0xD9, 0xD6, 0xC5);
const QColor kMemo(0xEA, 0xE7, 0xD5);

QFont boldArial() {
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    return f;
}

QLabel* label(const QString& text, QWidget* parent, int left, int top) {
    auto* l = new QLabel(text, parent);
    l->setFont(boldArial());
    l->move(left, top);
    l->adjustSize();
    return l;
}

// A caption above a read-only memo; returns the memo.
QPlainTextEdit* memo(const QString& caption, const QString& name, QWidget* parent, int top, int height) {
    QLabel* title = label(caption, parent, 8, top);
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(name);
    m->setGeometry(8, top + 15, 457, height);
    m->setReadOnly(true);
    m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette p = m->palette();
    p.setColor(QPalette::Base, kMemo);
    m->setPalette(p);
    title->setBuddy(m);
    m->setAccessibleName(caption);
    return m;
}

}  // namespace

Tsoru_detay::Tsoru_detay(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint) {
    setObjectName(QStringLiteral("soru_detay"));
    setWindowTitle(QStringLiteral("Soru Detayları"));
    setFixedSize(469, 330);
    ui::fillBackground(this, kSurface);

    Memo1 = memo(QStringLiteral("Soru / Soru başlığı"), QStringLiteral("Memo1"), this, 4, 49);
    Memo2 = memo(QStringLiteral("Cevap A"), QStringLiteral("Memo2"), this, 72, 33);
    Memo3 = memo(QStringLiteral("Cevap B"), QStringLiteral("Memo3"), this, 124, 33);
    Memo4 = memo(QStringLiteral("Cevap C"), QStringLiteral("Memo4"), this, 176, 33);
    Memo5 = memo(QStringLiteral("Cevap D"), QStringLiteral("Memo5"), this, 228, 33);

    CheckBox1 = new QCheckBox(QStringLiteral("Soru İptal"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setFont(boldArial());
    CheckBox1->setGeometry(8, 296, 120, 17);
    label(QStringLiteral("Doğru Cevap :"), this, 190, 298);
    Label7 = label(QStringLiteral("??"), this, 290, 298);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setMinimumWidth(20);
    Label7->setAccessibleName(QStringLiteral("Doğru Cevap: ??"));
    // Reached with Tab like the memos above it, so that a screen reader,
    // which reads what has the focus, reads the correct answer too: its name
    // carries the letter, as a label is read by its name.
    Label7->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    Label7->setFocusPolicy(Qt::StrongFocus);

    Button1 = new QPushButton(QStringLiteral("Tamam"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(386, 292, 75, 25);
    Button1->setDefault(true);  // Enter closes; Esc is the dialog's own cancel
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    ui::centreOnScreen(this);
}

void Tsoru_detay::fill(storage::RecordSet& questions) {
    // A teacher reads the question's text, never the rich-text codes it is stored in.
    const QString question = questions.field(storage::fields::kQuestion).asString();
    // A text longer than a window reads shows its beginning, with a note.
    Memo1->setPlainText(longtext::cut(longtext::plainBeginning(question), longtext::kPreviewChars, longtext::tooLong(question)));
    Memo2->setPlainText(questions.field(storage::fields::kAnswer1).asString());
    Memo3->setPlainText(questions.field(storage::fields::kAnswer2).asString());
    Memo4->setPlainText(questions.field(storage::fields::kAnswer3).asString());
    Memo5->setPlainText(questions.field(storage::fields::kAnswer4).asString());
    CheckBox1->setChecked(questions.field(storage::fields::kSts).asBoolean());
    static const QStringList digits{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")};
    const int answer = int(digits.indexOf(questions.field(storage::fields::kTrueAnswer).asString()));
    if (answer >= 0) Label7->setText(QString(QChar(u'A' + answer)));
    Label7->setAccessibleName(QStringLiteral("Doğru Cevap: ") + Label7->text());
}
