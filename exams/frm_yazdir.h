#pragma once

#include "booklet/plan.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPagedPaintDevice;
class QPainter;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace storage {
class Session;
}
namespace booklet {
class Renderer;
struct Header;
}  // namespace booklet

namespace exams {
// "Yazdır" on the exam tab: the print dialog for the current exam, or a
// warning when there is no exam or nothing in it to print.
void printCurrentExam(storage::Session& session, const QString& programFolder, QWidget* owner);
}  // namespace exams

// Printing an exam: the booklets (A to D, shuffled from a seed) and their
// answer keys, to the print preview, a printer, or PDF files with a CSV of
// the keys beside them. Built for each use; the teacher's last choices (all
// but the title and the date) are kept in the program's settings file.
class Tyazdir : public QDialog {
    Q_OBJECT
public:
    // Loads the exam's questions; throws storage::Error when they cannot be read.
    Tyazdir(storage::Session& session, qint64 examId, const QString& examName, const QString& programFolder,
            QWidget* parent = nullptr);
    ~Tyazdir() override;

    QLineEdit* EditOkul = nullptr;       // "Okul Adı"
    QLineEdit* EditBaslik = nullptr;     // "Sınav Başlığı"
    QLineEdit* EditTarih = nullptr;      // "Tarih"
    QLineEdit* EditSure = nullptr;       // "Süre"
    QSpinBox* SpinKitapcik = nullptr;    // "Kitapçık Sayısı", 1 to 4
    QCheckBox* CheckSiklar = nullptr;    // "Cevap şıklarını da karıştır"
    QPushButton* ButtonSira = nullptr;   // "Şık Sırası...": questions whose answers keep their order
    QLineEdit* EditTohum = nullptr;      // "Tohum"
    QPushButton* ButtonTohum = nullptr;  // "Yeni Tohum"
    QLabel* LabelBilgi = nullptr;        // what will be printed, what is left out
    QLabel* LabelSabit = nullptr;        // how many questions keep answers in place
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* ButtonOnizle = nullptr;  // "Baskı Önizleme"
    QPushButton* ButtonPdf = nullptr;     // "PDF olarak kaydet"
    QPushButton* ButtonYazdir = nullptr;  // "Yazıcıya Gönder", only where a printer is installed
    QPushButton* ButtonKapat = nullptr;   // "Kapat"

    const booklet::ExamContent& content() const { return content_; }
    // The plan the fields give now.
    std::vector<booklet::Variant> currentPlan() const;

    // The commands behind the buttons.
    void previewClick();
    void pdfClick();
    void printClick();
    void siraClick();

    // Where the choices are kept: section "SinavYazdir" of this file.
    static QString settingsFile(const QString& programFolder);

protected:
    void done(int result) override;

private:
    booklet::Header header() const;
    booklet::Options options() const;
    void showKeptInPlace();
    void loadChoices();
    void saveChoices() const;
    // Renders with the progress bar shown and the buttons off; input that
    // arrives meanwhile is dropped.
    void render(const std::function<void(booklet::Renderer&)>& draw, int steps);

    booklet::ExamContent content_;
    storage::Session& session_;
    qint64 examId_;
    QString programFolder_;
    bool busy_ = false;
};
