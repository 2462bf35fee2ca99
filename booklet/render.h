#pragma once

#include "booklet/plan.h"

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QTextDocument;

// Drawing the booklets and the answer keys on pages: a PDF writer, the
// printer or the print preview. Each booklet starts on a page of its own with
// the header (school, title, date, duration, booklet letter, blanks for the
// student) and numbers its pages; every page shows the booklet letter and the
// seed in small print at its foot. A question, with its pictures and answers,
// never breaks across pages (only one taller than a whole page must), and a
// heading never stands alone at the foot of a page.
namespace booklet {

struct Header {
    QString school;
    QString title;
    QString date;
    QString duration;
    std::uint64_t seed = 0;
};

// Called after each question or key page is placed: done of total.
using Progress = std::function<void(int done, int total)>;

// The pictures the exam's questions refer to that are not found in
// picturesFolder (missing, or refused as outside it), each once, in the order
// they are first referred to.
QStringList absentPictures(const ExamContent& content, const QString& picturesFolder);

class Renderer {
public:
    // picturesFolder: where "{name.ext}" references are looked up.
    Renderer(const ExamContent& content, Header header, QString picturesFolder);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // A4 portrait with the margins the booklets are laid out for.
    static void preparePage(QPagedPaintDevice& device);

    // The work drawBooklets reports: one step per item and one per key page.
    static int steps(const ExamContent& content, int variants);

    // Draws on a painter that is active on device. Every booklet and the key
    // start on a new page; the first thing drawn starts on the current page.
    void drawBooklet(QPainter& painter, QPagedPaintDevice& device, const Variant& variant, bool startNewPage);
    void drawKeys(QPainter& painter, QPagedPaintDevice& device, const std::vector<Variant>& variants, bool startNewPage);
    // The booklets one after the other, then the keys.
    void drawAll(QPainter& painter, QPagedPaintDevice& device, const std::vector<Variant>& variants);

    // Pictures referred to that could not be shown (missing, refused, unreadable).
    int missingPictures() const { return int(missing_.size()); }

    Progress progress;
    // Starts counting the steps anew towards total.
    void resetProgress(int total) {
        done_ = 0;
        total_ = total;
    }

private:
    struct Page;
    std::unique_ptr<QTextDocument> newDocument(QPagedPaintDevice& device) const;
    std::unique_ptr<QTextDocument> headerDocument(QPagedPaintDevice& device, const Variant& variant) const;
    std::unique_ptr<QTextDocument> itemDocument(QPagedPaintDevice& device, const PlannedItem& planned);
    void addQuestionText(QTextDocument& doc, const Item& item, int number);
    void addAnswers(QTextDocument& doc, const Item& item, const PlannedItem& planned) const;
    void addPictures(QTextDocument& doc, const QStringList& names);
    QImage picture(const QString& name);
    void drawFooter(QPainter& painter, QPagedPaintDevice& device, QChar letter, int page, int pages) const;
    void step();

    const ExamContent& content_;
    Header header_;
    QString picturesFolder_;
    QHash<QString, QImage> pictures_;  // by name; null: cannot be shown
    QStringList missing_;
    int done_ = 0;
    int total_ = 0;
};

}  // namespace booklet
