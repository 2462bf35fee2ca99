#include "exams/frm_yazdir.h"

#include "booklet/render.h"
#include "exams/frm_sik_sirasi.h"
#include "storage/errors.h"
#include "storage/field_names.h"
#include "storage/part_file.h"
#include "storage/session.h"
#include "text/inifile.h"
#include "ui/filedialog.h"
#include "ui/guarded.h"
#include "ui/input_swallower.h"
#include "ui/msgbox.h"
#include "ui/placement.h"
#include "ui/qtdialogs.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <memory>
#include <vector>

using namespace booklet;

namespace {

const QString kSection = QStringLiteral("SinavYazdir");

QLineEdit* addEdit(QFormLayout* form, const QString& caption, const QString& name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setAccessibleName(caption);
    auto* label = new QLabel(caption + QStringLiteral(":"));
    label->setBuddy(edit);
    form->addRow(label, edit);
    return edit;
}

QPushButton* addButton(QHBoxLayout* row, const QString& caption, const QString& name) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

// A file name from the exam's title: letters, digits, blanks, dashes.
QString fileStem(const QString& title) {
    QString stem;
    for (const QChar c : title.trimmed()) stem += c.isLetterOrNumber() || c == u' ' || c == u'-' || c == u'_' ? c : QChar(u'_');
    return stem.isEmpty() ? QStringLiteral("Sinav") : stem;
}

// A PDF drawn into memory, on A4 at 300 dots per inch. The PDF writer does
// not report a failed write to its file, so the bytes are written by the
// caller, who checks each of them.
struct PdfBytes {
    QBuffer buffer;
    QPdfWriter writer;
    QPainter painter;
    explicit PdfBytes(const QString& title) : writer(&buffer) {
        buffer.open(QIODevice::WriteOnly);
        writer.setResolution(300);
        writer.setCreator(QStringLiteral("Quorvel"));
        writer.setTitle(title);
        Renderer::preparePage(writer);
        if (!painter.begin(&writer)) throw storage::Error(QStringLiteral("PDF çizimi başlatılamadı."));
    }
    const QByteArray& finish() {
        if (!painter.end()) throw storage::Error(QStringLiteral("PDF dosyası tamamlanamadı."));
        return buffer.data();
    }
};

// The files "PDF olarak kaydet" writes for a chosen path without ".pdf":
// a booklet for each variant, the key as PDF and as CSV.
QStringList pdfFiles(const QString& stem, const std::vector<Variant>& variants) {
    QStringList files;
    for (const Variant& v : variants) files.append(stem + QStringLiteral("_") + v.letter + QStringLiteral(".pdf"));
    files.append(stem + QStringLiteral("_CevapAnahtari.pdf"));
    files.append(stem + QStringLiteral("_CevapAnahtari.csv"));
    return files;
}

}  // namespace

namespace exams {

void printCurrentExam(storage::Session& session, const QString& programFolder, QWidget* owner) {
    storage::RecordSet& tsinav = session.tsinav;
    if (tsinav.recordCount() <= 0) {
        msgbox::warning(QStringLiteral("\r\nTanımlı Sınav Yok."));
        return;
    }
    // A new exam that is not yet posted has no number and no questions.
    const qint64 id = tsinav.field(storage::fields::kId).asKeyOr(0);
    Tyazdir dialog(session, id, tsinav.field(storage::fields::kGroupName).asString(), programFolder, owner);
    if (dialog.content().questionCount() == 0) {
        QString text = QStringLiteral("\r\nBu sınavda basılacak soru yok.");
        if (dialog.content().cancelled > 0)
            text += QStringLiteral(" İptal edilmiş %1 soru basılmaz.").arg(dialog.content().cancelled);
        msgbox::warning(text);
        return;
    }
    dialog.exec();
}

}  // namespace exams

Tyazdir::Tyazdir(storage::Session& session, qint64 examId, const QString& examName, const QString& programFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      content_(loadExam(session.ADOConnection1, examId)),
      session_(session),
      examId_(examId),
      programFolder_(programFolder) {
    setObjectName(QStringLiteral("yazdir"));
    setWindowTitle(QStringLiteral("Sınavı Yazdır"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    EditOkul = addEdit(form, QStringLiteral("Okul Adı"), QStringLiteral("EditOkul"));
    EditBaslik = addEdit(form, QStringLiteral("Sınav Başlığı"), QStringLiteral("EditBaslik"));
    EditTarih = addEdit(form, QStringLiteral("Tarih"), QStringLiteral("EditTarih"));
    EditSure = addEdit(form, QStringLiteral("Süre"), QStringLiteral("EditSure"));
    for (QLineEdit* edit : {EditOkul, EditBaslik, EditTarih, EditSure}) edit->setMaxLength(120);
    EditSure->setPlaceholderText(QStringLiteral("örnek: 40 dakika"));

    SpinKitapcik = new QSpinBox;
    SpinKitapcik->setObjectName(QStringLiteral("SpinKitapcik"));
    SpinKitapcik->setRange(1, 4);
    SpinKitapcik->setAccessibleName(QStringLiteral("Kitapçık Sayısı"));
    auto* spinLabel = new QLabel(QStringLiteral("Kitapçık Sayısı:"));
    spinLabel->setBuddy(SpinKitapcik);
    form->addRow(spinLabel, SpinKitapcik);
    CheckSiklar = new QCheckBox(QStringLiteral("Cevap şıklarını da karıştır"));
    CheckSiklar->setObjectName(QStringLiteral("CheckSiklar"));
    auto* answersRow = new QHBoxLayout;
    answersRow->addWidget(CheckSiklar, 1);
    ButtonSira = addButton(answersRow, QStringLiteral("Şık Sırası..."), QStringLiteral("ButtonSira"));
    ButtonSira->setToolTip(QStringLiteral("Şıkları karıştırılmayacak soruları işaretleyin."));
    form->addRow(QString(), answersRow);

    auto* seedRow = new QHBoxLayout;
    EditTohum = new QLineEdit;
    EditTohum->setObjectName(QStringLiteral("EditTohum"));
    EditTohum->setAccessibleName(QStringLiteral("Tohum"));
    EditTohum->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,18}")), EditTohum));
    EditTohum->setToolTip(QStringLiteral("Aynı tohum aynı kitapçıkları yeniden basar."));
    seedRow->addWidget(EditTohum, 1);
    ButtonTohum = addButton(seedRow, QStringLiteral("Yeni Tohum"), QStringLiteral("ButtonTohum"));
    auto* seedLabel = new QLabel(QStringLiteral("Tohum:"));
    seedLabel->setBuddy(EditTohum);
    form->addRow(seedLabel, seedRow);

    LabelBilgi = new QLabel;
    LabelBilgi->setObjectName(QStringLiteral("LabelBilgi"));
    LabelBilgi->setWordWrap(true);
    layout->addWidget(LabelBilgi);
    LabelSabit = new QLabel;
    LabelSabit->setObjectName(QStringLiteral("LabelSabit"));
    LabelSabit->setWordWrap(true);
    layout->addWidget(LabelSabit);
    showKeptInPlace();
    ProgressBar1 = new QProgressBar;
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("İlerleme"));
    ProgressBar1->hide();
    layout->addWidget(ProgressBar1);

    auto* buttons = new QHBoxLayout;
    ButtonOnizle = addButton(buttons, QStringLiteral("Baskı Önizleme"), QStringLiteral("ButtonOnizle"));
    ButtonPdf = addButton(buttons, QStringLiteral("PDF olarak kaydet"), QStringLiteral("ButtonPdf"));
    ButtonYazdir = addButton(buttons, QStringLiteral("Yazıcıya Gönder"), QStringLiteral("ButtonYazdir"));
    buttons->addStretch(1);
    ButtonKapat = addButton(buttons, QStringLiteral("Kapat"), QStringLiteral("ButtonKapat"));
    layout->addLayout(buttons);
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        ButtonYazdir->setEnabled(false);
        ButtonYazdir->setToolTip(QStringLiteral("Kurulu yazıcı yok."));
    }

    // What goes on paper and what stays out.
    int headings = 0;
    for (const Item& item : content_.items) headings += item.heading ? 1 : 0;
    const QStringList missing = absentPictures(content_, programFolder_ + QStringLiteral("Pictures"));
    QString info = QStringLiteral("%1 soru").arg(content_.questionCount());
    if (headings > 0) info += QStringLiteral(", %1 başlık").arg(headings);
    info += QStringLiteral(
        " basılacak. A kitapçığı sınavdaki sırayla basılır; diğerleri her başlığın soruları kendi "
        "içinde karıştırılarak.");
    if (content_.cancelled > 0) info += QStringLiteral("\nİptal edilmiş %1 soru basılmayacak.").arg(content_.cancelled);
    if (content_.orphaned > 0) info += QStringLiteral("\nBankadan silinmiş %1 soru basılmayacak.").arg(content_.orphaned);
    if (!missing.isEmpty())
        info += QStringLiteral("\nBulunamayan resimler (Pictures klasöründe olmalı): ") + missing.join(QStringLiteral(", "));
    LabelBilgi->setText(info);

    EditBaslik->setText(examName.trimmed());
    EditTarih->setText(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    SpinKitapcik->setValue(1);
    EditTohum->setText(QString::number(freshSeed()));
    loadChoices();

    ui::onClick(ButtonSira, this, &Tyazdir::siraClick);
    connect(ButtonTohum, &QPushButton::clicked, this, [this] { EditTohum->setText(QString::number(freshSeed())); });
    ui::onClick(ButtonOnizle, this, &Tyazdir::previewClick);
    ui::onClick(ButtonPdf, this, &Tyazdir::pdfClick);
    ui::onClick(ButtonYazdir, this, &Tyazdir::printClick);
    connect(ButtonKapat, &QPushButton::clicked, this, &QDialog::reject);
    resize(520, sizeHint().height());
    ui::centreOnScreen(this);
}

Tyazdir::~Tyazdir() = default;

void Tyazdir::showKeptInPlace() {
    const int kept = content_.keptInPlaceCount();
    LabelSabit->setText(
        kept == 0 ? QStringLiteral("Cevap şıkları karıştırılırken hiçbir şık yerinde kalmaz.")
                  : QStringLiteral("Cevap şıkları karıştırılırken %1 sorunun sırası korunur: \"Hepsi\", \"Hiçbiri\", "
                                   "\"A ve B\" gibi şıklar ve \"Şık Sırası...\" ile işaretlenen soruların bütün şıkları "
                                   "yerinde kalır.")
                        .arg(kept));
}

void Tyazdir::siraClick() {
    Tsik_sirasi dialog(content_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    setKeptOrders(session_.ADOConnection1, dialog.kept(), dialog.released());
    content_ = loadExam(session_.ADOConnection1, examId_);
    showKeptInPlace();
}

QString Tyazdir::settingsFile(const QString& programFolder) { return programFolder + QStringLiteral("GridAyarlari.ini"); }

void Tyazdir::loadChoices() {
    QList<IniFile::Pair> pairs;
    try {
        pairs = IniFile::load(settingsFile(programFolder_)).pairs(kSection);
    } catch (const storage::Error&) {
        return;  // unreadable: the defaults
    }
    for (const auto& [key, value] : pairs) {
        if (key.compare(QStringLiteral("Okul"), Qt::CaseInsensitive) == 0)
            EditOkul->setText(value);
        else if (key.compare(QStringLiteral("Sure"), Qt::CaseInsensitive) == 0)
            EditSure->setText(value);
        else if (key.compare(QStringLiteral("Kitapcik"), Qt::CaseInsensitive) == 0)
            SpinKitapcik->setValue(value.toInt());
        else if (key.compare(QStringLiteral("Siklar"), Qt::CaseInsensitive) == 0)
            CheckSiklar->setChecked(value == u'1');
        else if (key.compare(QStringLiteral("Tohum"), Qt::CaseInsensitive) == 0) {
            bool ok = false;
            const quint64 seed = value.toULongLong(&ok);
            if (ok && value.size() <= 18) EditTohum->setText(QString::number(seed));
        }
    }
}

void Tyazdir::saveChoices() const {
    try {
        const QString path = settingsFile(programFolder_);
        IniFile file = IniFile::load(path);
        file.writeKey(kSection, QStringLiteral("Okul"), EditOkul->text().simplified());
        file.writeKey(kSection, QStringLiteral("Sure"), EditSure->text().simplified());
        file.writeKey(kSection, QStringLiteral("Kitapcik"), QString::number(SpinKitapcik->value()));
        file.writeKey(kSection, QStringLiteral("Siklar"), CheckSiklar->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        file.writeKey(kSection, QStringLiteral("Tohum"), QString::number(options().seed));
        file.save(path);
    } catch (const storage::Error&) {
        // Choices that cannot be kept cost the teacher only typing them again.
    }
}

void Tyazdir::done(int result) {
    if (busy_) return;  // the drawing ends first
    saveChoices();
    QDialog::done(result);
}

Header Tyazdir::header() const {
    Header h;
    h.school = EditOkul->text();
    h.title = EditBaslik->text();
    h.date = EditTarih->text();
    h.duration = EditSure->text();
    h.seed = options().seed;
    return h;
}

Options Tyazdir::options() const {
    Options o;
    o.variants = SpinKitapcik->value();
    o.shuffleAnswers = CheckSiklar->isChecked();
    bool ok = false;
    o.seed = EditTohum->text().toULongLong(&ok);
    if (!ok) o.seed = 0;
    return o;
}

std::vector<Variant> Tyazdir::currentPlan() const { return plan(content_, options()); }

void Tyazdir::render(const std::function<void(Renderer&)>& draw, int steps) {
    const QList<QPushButton*> buttons{ButtonOnizle, ButtonPdf, ButtonYazdir, ButtonKapat, ButtonTohum};
    QList<bool> enabled;
    for (QPushButton* b : buttons) {
        enabled.append(b->isEnabled());
        b->setEnabled(false);
    }
    busy_ = true;
    ProgressBar1->setRange(0, steps);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    const auto restore = qScopeGuard([&] {
        busy_ = false;
        ProgressBar1->hide();
        for (int i = 0; i < buttons.size(); ++i) buttons[i]->setEnabled(enabled[i]);
    });
    const ui::InputSwallower swallow;
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::processEvents();
    Renderer renderer(content_, header(), programFolder_ + QStringLiteral("Pictures"));
    renderer.resetProgress(steps);
    renderer.progress = [&](int done, int) {
        if (clock.elapsed() < 100) return;  // ten paints a second cost nothing
        ProgressBar1->setValue(done);
        QCoreApplication::processEvents();
        clock.restart();
    };
    draw(renderer);
}

void Tyazdir::previewClick() {
    QPrinter printer(QPrinter::HighResolution);
    Renderer::preparePage(printer);
    printer.setDocName(EditBaslik->text());
    const auto variants = currentPlan();
    qtdialog::preview(this, QStringLiteral("Baskı Önizleme"), &printer, [&](QPrinter* target) {
        msgbox::guard([&] {
            render(
                [&](Renderer& r) {
                    QPainter painter(target);
                    r.drawAll(painter, *target, variants);
                },
                Renderer::steps(content_, int(variants.size())));
        });
    });
    saveChoices();
}

void Tyazdir::printClick() {
    QPrinter printer(QPrinter::HighResolution);
    Renderer::preparePage(printer);
    printer.setDocName(EditBaslik->text());
    if (!qtdialog::print(this, &printer)) return;
    const auto variants = currentPlan();
    render(
        [&](Renderer& r) {
            QPainter painter;
            if (!painter.begin(&printer)) throw storage::Error(QStringLiteral("Yazıcı başlatılamadı."));
            r.drawAll(painter, printer, variants);
            painter.end();
        },
        Renderer::steps(content_, int(variants.size())));
    saveChoices();
}

void Tyazdir::pdfClick() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(documents).filePath(fileStem(EditBaslik->text()) + QStringLiteral(".pdf"));
    QString path =
        filedialog::saveFileName(this, QStringLiteral("PDF olarak kaydet"), QStringLiteral("PDF dosyaları (*.pdf)"), suggested);
    if (path.isEmpty()) return;
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path.chop(4);
    const auto variants = currentPlan();
    const QStringList files = pdfFiles(path, variants);
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    // The dialog asked about the name typed, but the files are named after
    // it: booklets handed out earlier may have their key among them.
    QStringList existing;
    for (const QString& file : files)
        if (QFileInfo::exists(file)) existing.append(QFileInfo(file).fileName());
    if (!existing.isEmpty() && !msgbox::confirm(this, QStringLiteral("\r\nBu dosyalar zaten var (") + folder +
                                                          QStringLiteral("):\r\n") + existing.join(QStringLiteral("\r\n")) +
                                                          QStringLiteral("\r\n\r\nYenileri eskilerinin yerine yazılsın mı?")))
        return;
    // Every file is written beside its name first; the old files are replaced
    // only once all new ones are complete, so a failure leaves them all as
    // they were.
    std::vector<std::unique_ptr<storage::PartFile>> parts;
    const auto write = [&](const QString& file, const QByteArray& bytes) {
        parts.push_back(std::make_unique<storage::PartFile>(file));
        parts.back()->write(bytes);
        parts.back()->finish();
    };
    try {
        render(
            [&](Renderer& r) {
                for (size_t i = 0; i < variants.size(); ++i) {
                    PdfBytes pdf(EditBaslik->text() + QStringLiteral(" - ") + variants[i].letter);
                    r.drawBooklet(pdf.painter, pdf.writer, variants[i], false);
                    write(files[qsizetype(i)], pdf.finish());
                }
                PdfBytes pdf(EditBaslik->text() + QStringLiteral(" - Cevap Anahtarı"));
                r.drawKeys(pdf.painter, pdf.writer, variants, false);
                write(files[files.size() - 2], pdf.finish());
                write(files.back(), keysCsv(variants));
            },
            Renderer::steps(content_, int(variants.size())));
    } catch (const storage::Error& e) {
        throw storage::Error(storage::withSentence(e.message(), QStringLiteral("Var olan dosyalar değiştirilmedi.")));
    }
    QStringList written;
    for (const auto& part : parts) {
        part->replaceTarget();
        written.append(part->target());
    }
    saveChoices();
    QStringList names;
    for (const QString& file : written) names.append(QFileInfo(file).fileName());
    msgbox::information(QStringLiteral("\r\nKaydedilen dosyalar (") + folder + QStringLiteral("):\r\n") +
                        names.join(QStringLiteral("\r\n")));
}
