#include "grid/richtext_dialogs.h"

#include "grid/boxes.h"
#include "ui/msgbox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBlockFormat>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace grid {

namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(QStringLiteral("Tamam"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("İptal"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QDoubleSpinBox* pointsBox(QWidget* parent, qreal value, qreal minimum = 0) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(minimum, 1000);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" pt"));
    box->setValue(value);
    return box;
}

}  // namespace

// ------------------------------------------------------ find and replace ----

FindReplaceDialog::FindReplaceDialog(QTextEdit* editor, QWidget* parent) : QDialog(parent), editor_(editor) {
    setWindowTitle(QStringLiteral("Bul"));
    auto* form = new QFormLayout;
    FindEdit = new QLineEdit(this);
    ReplaceEdit = new QLineEdit(this);
    form->addRow(QStringLiteral("&Aranan:"), FindEdit);
    form->addRow(QStringLiteral("&Yeni metin:"), ReplaceEdit);
    MatchCase = new QCheckBox(QStringLiteral("Büyük/küçük harf &duyarlı"), this);
    WholeWord = new QCheckBox(QStringLiteral("&Tam sözcük"), this);
    FindButton = new QPushButton(QStringLiteral("&Sonrakini Bul"), this);
    ReplaceButton = new QPushButton(QStringLiteral("&Değiştir"), this);
    ReplaceAllButton = new QPushButton(QStringLiteral("T&ümünü Değiştir"), this);
    auto* close = new QPushButton(QStringLiteral("Kapat"), this);
    FindButton->setDefault(true);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {FindButton, ReplaceButton, ReplaceAllButton, close}) buttons->addWidget(b);
    buttons->addStretch();
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(MatchCase);
    left->addWidget(WholeWord);
    left->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    connect(FindButton, &QPushButton::clicked, this, [this] { atEntry([&] { findNext(); }); });
    connect(ReplaceButton, &QPushButton::clicked, this, [this] { atEntry([&] { replaceOne(); }); });
    connect(ReplaceAllButton, &QPushButton::clicked, this, [this] { atEntry([&] { replaceAll(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    setReplaceMode(false);
}

void FindReplaceDialog::setReplaceMode(bool replace) {
    setWindowTitle(replace ? QStringLiteral("Değiştir") : QStringLiteral("Bul"));
    ReplaceEdit->setVisible(replace);
    if (auto* form = findChild<QFormLayout*>())
        if (QWidget* label = form->labelForField(ReplaceEdit)) label->setVisible(replace);
    ReplaceButton->setVisible(replace);
    ReplaceAllButton->setVisible(replace);
}

bool FindReplaceDialog::findFrom(int position, bool wrap) {
    const QString needle = FindEdit->text();
    if (needle.isEmpty()) return false;
    QTextDocument::FindFlags flags;
    if (MatchCase->isChecked()) flags |= QTextDocument::FindCaseSensitively;
    if (WholeWord->isChecked()) flags |= QTextDocument::FindWholeWords;
    QTextCursor found = editor_->document()->find(needle, position, flags);
    if (found.isNull() && wrap) found = editor_->document()->find(needle, 0, flags);
    if (found.isNull()) return false;
    editor_->setTextCursor(found);
    return true;
}

bool FindReplaceDialog::findNext() {
    if (findFrom(editor_->textCursor().selectionEnd(), true)) return true;
    msgbox::information(QStringLiteral("\r\n\"") + FindEdit->text() + QStringLiteral("\" bulunamadı."));
    return false;
}

bool FindReplaceDialog::selectionMatches() const {
    const QString selected = editor_->textCursor().selectedText();
    const Qt::CaseSensitivity cs = MatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return !selected.isEmpty() && selected.compare(FindEdit->text(), cs) == 0;
}

bool FindReplaceDialog::replaceOne() {
    if (selectionMatches()) editor_->textCursor().insertText(ReplaceEdit->text());
    return findNext();
}

int FindReplaceDialog::replaceAll() {
    int count = 0;
    QTextCursor edit(editor_->document());
    edit.beginEditBlock();
    int position = 0;
    while (findFrom(position, false)) {
        QTextCursor match = editor_->textCursor();
        match.insertText(ReplaceEdit->text());
        position = match.position();
        ++count;
    }
    edit.endEditBlock();
    msgbox::information(QStringLiteral("\r\n") + QString::number(count) + QStringLiteral(" yer değiştirildi."));
    return count;
}

// ----------------------------------------------------------- bullets ----

bool chooseBulletStyle(QWidget* parent, QTextListFormat::Style* style) {
    struct Choice {
        const char* caption;
        QTextListFormat::Style style;
    };
    static const Choice choices[] = {
        {"Yok", QTextListFormat::ListStyleUndefined},     {"● Nokta", QTextListFormat::ListDisc},
        {"○ Daire", QTextListFormat::ListCircle},         {"■ Kare", QTextListFormat::ListSquare},
        {"1. 2. 3.", QTextListFormat::ListDecimal},       {"a. b. c.", QTextListFormat::ListLowerAlpha},
        {"A. B. C.", QTextListFormat::ListUpperAlpha},    {"i. ii. iii.", QTextListFormat::ListLowerRoman},
        {"I. II. III.", QTextListFormat::ListUpperRoman},
    };
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Madde İşareti"));
    auto* list = new QListWidget(&dialog);
    for (const Choice& c : choices) {
        list->addItem(QString::fromUtf8(c.caption));
        if (c.style == *style) list->setCurrentRow(list->count() - 1);
    }
    if (list->currentRow() < 0) list->setCurrentRow(0);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(okCancel(&dialog));
    if (dialog.exec() != QDialog::Accepted) return false;
    *style = choices[std::max(0, list->currentRow())].style;
    return true;
}

// --------------------------------------------------------- paragraph ----

bool editParagraphFormat(QWidget* parent, QTextBlockFormat* format) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Paragraf"));
    auto* alignment = new QComboBox(&dialog);
    const QList<QPair<QString, Qt::Alignment>> alignments{{QStringLiteral("Sola"), Qt::AlignLeft},
                                                          {QStringLiteral("Ortaya"), Qt::AlignHCenter},
                                                          {QStringLiteral("Sağa"), Qt::AlignRight},
                                                          {QStringLiteral("İki yana"), Qt::AlignJustify}};
    for (const auto& [caption, value] : alignments) {
        alignment->addItem(caption);
        if (format->alignment() & value) alignment->setCurrentIndex(alignment->count() - 1);
    }
    auto* left = pointsBox(&dialog, format->leftMargin());
    auto* right = pointsBox(&dialog, format->rightMargin());
    auto* first = pointsBox(&dialog, format->textIndent(), -1000);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Hizalama:"), alignment);
    form->addRow(QStringLiteral("&Sol girinti:"), left);
    form->addRow(QStringLiteral("S&ağ girinti:"), right);
    form->addRow(QStringLiteral("İlk &satır:"), first);
    form->addRow(okCancel(&dialog));
    if (dialog.exec() != QDialog::Accepted) return false;
    format->setAlignment(alignments.at(alignment->currentIndex()).second);
    format->setLeftMargin(left->value());
    format->setRightMargin(right->value());
    format->setTextIndent(first->value());
    return true;
}

// -------------------------------------------------------------- tabs ----

bool editTabStops(QWidget* parent, QList<QTextOption::Tab>* tabs) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Sekmeler"));
    auto* list = new QListWidget(&dialog);
    auto* position = pointsBox(&dialog, 36);
    auto* add = new QPushButton(QStringLiteral("&Ekle"), &dialog);
    auto* remove = new QPushButton(QStringLiteral("&Sil"), &dialog);
    auto* clear = new QPushButton(QStringLiteral("&Tümünü Sil"), &dialog);
    QList<qreal> stops;
    for (const QTextOption::Tab& t : *tabs) stops.append(t.position);
    auto refill = [&] {
        std::sort(stops.begin(), stops.end());
        list->clear();
        for (qreal p : stops) list->addItem(QString::number(p, 'f', 1) + QStringLiteral(" pt"));
    };
    refill();
    QObject::connect(add, &QPushButton::clicked, &dialog, [&] {
        if (!stops.contains(position->value())) stops.append(position->value());
        refill();
    });
    QObject::connect(remove, &QPushButton::clicked, &dialog, [&] {
        if (list->currentRow() >= 0) stops.removeAt(list->currentRow());
        refill();
    });
    QObject::connect(clear, &QPushButton::clicked, &dialog, [&] {
        stops.clear();
        refill();
    });
    auto* side = new QVBoxLayout;
    side->addWidget(position);
    for (QPushButton* b : {add, remove, clear}) side->addWidget(b);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(list, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(top);
    layout->addWidget(okCancel(&dialog));
    if (dialog.exec() != QDialog::Accepted) return false;
    tabs->clear();
    for (qreal p : stops) tabs->append(QTextOption::Tab(p, QTextOption::LeftTab));
    return true;
}

}  // namespace grid
