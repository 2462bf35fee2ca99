#include "exams/frm_sik_sirasi.h"

#include "text/rtf.h"
#include "ui/placement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace booklet;

namespace {

QString shortened(const QString& text, int length) {
    const QString s = text.simplified();
    return s.size() <= length ? s : s.left(length - 1) + QChar(0x2026);
}

bool heldByWords(const Item& item) {
    for (int a = 0; a < 4; ++a)
        if (!item.stays[size_t(a)]) return false;
    return true;
}

}  // namespace

Tsik_sirasi::Tsik_sirasi(const ExamContent& content, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      content_(content) {
    setObjectName(QStringLiteral("sik_sirasi"));
    setWindowTitle(QStringLiteral("Şık Sırası Sabit Sorular"));
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(
        QStringLiteral("İşaretli soruların şıkları, şıklar karıştırılırken de basıldıkları sırada kalır (sıralı sayılar, "
                       "\"I ve II\" gibi şıklar). \"Hepsi\", \"Hiçbiri\", \"A ve B\" gibi şıklar işaretsiz de yerinde kalır. "
                       "İşaret, aynı şıkları olan her soru için bankada saklanır."));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    layout->addWidget(Label1);
    ListBox1 = new QListWidget;
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("Sorular"));
    Label1->setBuddy(ListBox1);
    layout->addWidget(ListBox1, 1);

    int number = 0;
    for (int i = 0; i < int(content_.items.size()); ++i) {
        const Item& item = content_.items[size_t(i)];
        if (item.heading) continue;
        const QString question = rtf::isRichText(item.content) ? rtf::plainText(item.content) : item.content;
        QStringList answers;
        for (int a = 0; a < 4; ++a)
            if (!item.answers[size_t(a)].trimmed().isEmpty())
                answers << QStringLiteral("%1) %2").arg(QChar(u'A' + a)).arg(shortened(item.answers[size_t(a)], 30));
        auto* row = new QListWidgetItem(
            QStringLiteral("%1. %2 — %3").arg(++number).arg(shortened(question, 70), answers.join(QStringLiteral("  "))),
            ListBox1);
        if (heldByWords(item)) {
            row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            row->setCheckState(Qt::Checked);
            row->setToolTip(QStringLiteral("Şıklarından biri diğerlerini harfleriyle anıyor: sırası zaten korunur."));
        } else {
            row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            row->setCheckState(item.orderKept ? Qt::Checked : Qt::Unchecked);
        }
        items_.push_back(i);
    }
    if (ListBox1->count() > 0) ListBox1->setCurrentRow(0);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ButtonTamam = new QPushButton(QStringLiteral("Tamam"));
    ButtonTamam->setObjectName(QStringLiteral("ButtonTamam"));
    ButtonIptal = new QPushButton(QStringLiteral("İptal"));
    ButtonIptal->setObjectName(QStringLiteral("ButtonIptal"));
    for (QPushButton* b : {ButtonTamam, ButtonIptal}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(ButtonTamam, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonIptal, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 420);
    ui::centreOnScreen(this);
}

QList<qint64> Tsik_sirasi::kept() const {
    QList<qint64> keys;
    for (int row = 0; row < ListBox1->count(); ++row) {
        const Item& item = content_.items[size_t(items_[size_t(row)])];
        const QListWidgetItem* r = ListBox1->item(row);
        if ((r->flags() & Qt::ItemIsUserCheckable) && r->checkState() == Qt::Checked && !item.orderKept)
            keys.append(answersKey(item.answers));
    }
    return keys;
}

QList<qint64> Tsik_sirasi::released() const {
    QList<qint64> keys;
    for (int row = 0; row < ListBox1->count(); ++row) {
        const Item& item = content_.items[size_t(items_[size_t(row)])];
        if (ListBox1->item(row)->checkState() == Qt::Unchecked && item.orderKept) keys.append(answersKey(item.answers));
    }
    return keys;
}
