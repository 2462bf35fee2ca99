#include "booklet/render.h"

#include "text/pictures.h"
#include "text/rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

#include <optional>

// The resolution Qt's text layout takes format lengths in (exported by Qt's GUI library).
Q_GUI_EXPORT int qt_defaultDpiY();

namespace booklet {

namespace {

// Lengths in text formats (margins, paddings, borders, tab stops, picture
// sizes) count in pixels of the resolution Qt lays text out for, and the
// layout scales them to the device; font sizes and the text width count in
// the device's own pixels. Format lengths are therefore given in inches
// through this.
qreal formatLength(qreal inches) { return inches * qt_defaultDpiY(); }
// A length measured on the device, as a format length.
qreal formatLengthOf(qreal devicePixels, const QPaintDevice* device) {
    return devicePixels * qt_defaultDpiY() / device->logicalDpiY();
}

// Families in order of preference; all carry the Turkish letters. The PDF
// gets a subset of whichever is installed, embedded.
const QStringList kFamilies{QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
constexpr qreal kBodyPoints = 10.5;
constexpr qreal kFooterPoints = 7;
constexpr qreal kGapLines = 0.6;           // between questions, in body lines
constexpr qreal kMaxPictureHeight = 0.45;  // of the page's text height
const QSize kPictureReadBox(2400, 2400);   // about 8 inches at 300 dpi

QFont bodyFont(qreal points = kBodyPoints) {
    QFont font;
    font.setFamilies(kFamilies);
    font.setPointSizeF(points);
    return font;
}

// A document is laid out again after every change unless the changes come
// as one edit block: a table built cell by cell would cost the square of its cells.
class EditBlock {
public:
    explicit EditBlock(QTextCursor& cursor) : cursor_(cursor) { cursor_.beginEditBlock(); }
    ~EditBlock() { cursor_.endEditBlock(); }
    EditBlock(const EditBlock&) = delete;
    EditBlock& operator=(const EditBlock&) = delete;

private:
    QTextCursor cursor_;
};

QString orBlank(const QString& text, int blanks) { return text.trimmed().isEmpty() ? QString(blanks, u'_') : text.trimmed(); }

// The centred block and the large bold title of a booklet's and a key's first page.
QTextBlockFormat centredBlock() {
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    return centred;
}

QTextCharFormat titleFormat() {
    QTextCharFormat big;
    big.setFontWeight(QFont::Bold);
    big.setFontPointSize(13);
    return big;
}

void removeReferences(QString& text, const QStringList& names) {
    for (const QString& name : names) text.remove(QLatin1Char('{') + name + QLatin1Char('}'));
}

}  // namespace

Renderer::Renderer(const ExamContent& content, Header header, QString picturesFolder)
    : content_(content), header_(std::move(header)), picturesFolder_(std::move(picturesFolder)) {}

Renderer::~Renderer() = default;

void Renderer::preparePage(QPagedPaintDevice& device) {
    device.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(16, 14, 16, 12), QPageLayout::Millimeter));
}

int Renderer::steps(const ExamContent& content, int variants) { return (int(content.items.size()) + 1) * variants; }

void Renderer::step() {
    ++done_;
    if (progress) progress(done_, total_);
}

std::unique_ptr<QTextDocument> Renderer::newDocument(QPagedPaintDevice& device) const {
    auto doc = std::make_unique<QTextDocument>();
    doc->documentLayout()->setPaintDevice(&device);
    doc->setDefaultFont(bodyFont());
    doc->setDocumentMargin(0);
    doc->setTextWidth(device.width());
    doc->setUndoRedoEnabled(false);
    return doc;
}

std::unique_ptr<QTextDocument> Renderer::headerDocument(QPagedPaintDevice& device, const Variant& variant) const {
    auto doc = newDocument(device);
    QTextCursor c(doc.get());
    const EditBlock once(c);
    const QTextBlockFormat centred = centredBlock();
    const QTextCharFormat big = titleFormat();
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontPointSize(11.5);
    c.setBlockFormat(centred);
    if (!header_.school.trimmed().isEmpty()) {
        c.insertText(header_.school.trimmed(), bold);
        c.insertBlock(centred);
    }
    c.insertText(header_.title.trimmed(), big);

    QTextTableFormat table;
    table.setBorder(0);
    table.setCellPadding(formatLength(0.03));
    table.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    table.setTopMargin(formatLength(0.08));
    QTextTable* info = c.insertTable(2, 3, table);
    const QTextCharFormat plain;
    const auto cell = [&](int row, int column, const QString& label, const QString& value, int blanks) {
        QTextCursor t = info->cellAt(row, column).firstCursorPosition();
        t.insertText(label + QStringLiteral(": "), bold);
        t.insertText(orBlank(value, blanks), plain);
    };
    cell(0, 0, QStringLiteral("Tarih"), header_.date, 12);
    cell(0, 1, QStringLiteral("Süre"), header_.duration, 10);
    cell(0, 2, QStringLiteral("Kitapçık"), QString(variant.letter), 1);
    cell(1, 0, QStringLiteral("Adı Soyadı"), QString(), 22);
    cell(1, 1, QStringLiteral("Numarası"), QString(), 10);
    cell(1, 2, QStringLiteral("Sınıfı"), QString(), 8);

    c.movePosition(QTextCursor::End);
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
    c.insertBlock(rule);
    return doc;
}

QStringList absentPictures(const ExamContent& content, const QString& picturesFolder) {
    QStringList absent;
    for (const Item& item : content.items) {
        const QString plain = rtf::isRichText(item.content) ? rtf::plainText(item.content) : item.content;
        for (const QString& name : picture::references(plain))
            if (!absent.contains(name) && picture::locate(picturesFolder, name).status != picture::File::Status::Found)
                absent.append(name);
    }
    return absent;
}

void Renderer::addQuestionText(QTextDocument& doc, const Item& item, int number) {
    QTextCursor c(&doc);
    const QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    const QString plainText = rtf::isRichText(item.content) ? rtf::plainText(item.content) : item.content;
    QStringList shown;
    for (const QString& name : picture::references(plainText))
        if (!picture(name).isNull()) shown.append(name);

    c.insertText(QString::number(number) + QStringLiteral(". "), bold);
    if (rtf::isValidRichText(item.content)) {
        QTextDocument source;
        rtf::readDocument(source, item.content);
        rtf::removePlaceholders(source);  // an object we cannot draw leaves no text on paper
        for (const QString& name : shown) {
            for (QTextCursor found = source.find(QLatin1Char('{') + name + QLatin1Char('}')); !found.isNull();
                 found = source.find(QLatin1Char('{') + name + QLatin1Char('}'), found))
                found.removeSelectedText();
        }
        c.insertFragment(QTextDocumentFragment(&source));
    } else {
        QString text = item.content;
        removeReferences(text, shown);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        c.insertText(text.trimmed(), plain);
    }
    // A hanging number: the text of every paragraph lines up after it.
    QPaintDevice* device = doc.documentLayout()->paintDevice();
    const qreal indent = formatLengthOf(QFontMetricsF(bodyFont(), device).horizontalAdvance(QStringLiteral("000. ")), device);
    bool first = true;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        QTextCursor bc(b);
        QTextBlockFormat f = b.blockFormat();
        f.setLeftMargin(indent);
        f.setTextIndent(first ? -indent : 0);
        f.setTopMargin(0);
        f.setBottomMargin(0);
        bc.setBlockFormat(f);
        first = false;
    }
    addPictures(doc, shown);
}

void Renderer::addPictures(QTextDocument& doc, const QStringList& names) {
    if (names.isEmpty()) return;
    QPaintDevice* device = doc.documentLayout()->paintDevice();
    const qreal width = formatLengthOf(doc.textWidth(), device);
    const qreal maxHeight = formatLengthOf(device->height() * kMaxPictureHeight, device);
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::End);
    for (const QString& name : names) {
        const QImage image = picture(name);
        // Natural size at 96 dots per inch, shrunk to the text width (and a
        // part of the page's height) but never grown.
        QSizeF size = QSizeF(image.size()) * (qt_defaultDpiY() / 96.0);
        size = size.scaled(QSizeF(std::min(size.width(), width), std::min(size.height(), maxHeight)), Qt::KeepAspectRatio);
        const QString url = QStringLiteral("picture:") + name;
        doc.addResource(QTextDocument::ImageResource, QUrl(url), image);
        QTextBlockFormat block;
        block.setAlignment(Qt::AlignHCenter);
        block.setTopMargin(formatLength(0.04));
        c.insertBlock(block);
        QTextImageFormat format;
        format.setName(url);
        format.setWidth(size.width());
        format.setHeight(size.height());
        c.insertImage(format);
    }
}

QImage Renderer::picture(const QString& name) {
    const auto found = pictures_.constFind(name);
    if (found != pictures_.constEnd()) return *found;
    QImage image;
    const picture::File file = picture::locate(picturesFolder_, name);
    if (file.status == picture::File::Status::Found) image = picture::load(file.path, kPictureReadBox);
    if (image.isNull()) missing_.append(name);
    pictures_.insert(name, image);
    return image;
}

void Renderer::addAnswers(QTextDocument& doc, const Item& item, const PlannedItem& planned) const {
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::End);
    QPaintDevice* device = doc.documentLayout()->paintDevice();
    const QFontMetricsF metrics(bodyFont(), device);
    const qreal indent = metrics.horizontalAdvance(QStringLiteral("000. "));
    const qreal room = doc.textWidth() - indent;  // device pixels
    QStringList texts;
    qreal widest = 0;
    for (int place = 0; place < 4; ++place) {
        const QString answer = item.answers[size_t(planned.answerOrder[size_t(place)])].simplified();
        // An empty answer leaves its place empty: no letter without a choice.
        texts.append(answer.isEmpty() ? QString() : QChar(u'A' + place) + QStringLiteral(") ") + answer);
        widest = std::max(widest, metrics.horizontalAdvance(texts.last()));
    }
    if (std::all_of(texts.begin(), texts.end(), [](const QString& t) { return t.isEmpty(); })) return;
    const qreal gap = metrics.horizontalAdvance(QStringLiteral("MM"));
    // Four in a row when they fit, else two rows of two, else one a line;
    // columns are tab stops, so a line holds the answers as plain text.
    const int columns = widest + gap <= room / 4 ? 4 : widest + gap <= room / 2 ? 2 : 1;
    QTextBlockFormat block;
    block.setLeftMargin(formatLengthOf(indent, device));
    block.setTopMargin(0);
    QList<QTextOption::Tab> tabs;
    for (int i = 1; i < columns; ++i)
        tabs.append(QTextOption::Tab(formatLengthOf(room / columns * i, device), QTextOption::LeftTab));
    block.setTabPositions(tabs);
    for (int row = 0; row < 4 / columns; ++row) {
        const QStringList line = texts.mid(row * columns, columns);
        if (std::all_of(line.begin(), line.end(), [](const QString& t) { return t.isEmpty(); })) continue;
        c.insertBlock(block, QTextCharFormat());
        c.insertText(line.join(u'\t'));
    }
}

std::unique_ptr<QTextDocument> Renderer::itemDocument(QPagedPaintDevice& device, const PlannedItem& planned) {
    auto doc = newDocument(device);
    QTextCursor whole(doc.get());
    const EditBlock once(whole);
    const Item& item = content_.items[size_t(planned.item)];
    if (item.heading) {
        QTextCursor c(doc.get());
        QTextBlockFormat block;
        block.setTopMargin(formatLength(0.06));
        block.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
        c.setBlockFormat(block);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        bold.setFontPointSize(11.5);
        c.insertText(item.headingText, bold);
        return doc;
    }
    addQuestionText(*doc, item, planned.number);
    addAnswers(*doc, item, planned);
    return doc;
}

void Renderer::drawFooter(QPainter& painter, QPagedPaintDevice& device, QChar letter, int page, int pages) const {
    painter.save();
    painter.setFont(QFont(bodyFont(kFooterPoints), &device));
    painter.setPen(Qt::darkGray);
    const QFontMetricsF metrics(painter.font(), &device);
    const QRectF line(0, device.height() - metrics.height(), device.width(), metrics.height());
    const QString left = letter.isNull() ? QStringLiteral("Cevap Anahtarı · Tohum %1").arg(header_.seed)
                                         : QStringLiteral("Kitapçık %1 · Tohum %2").arg(letter).arg(header_.seed);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, left);
    if (pages > 0)
        painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Sayfa %1 / %2").arg(page).arg(pages));
    painter.restore();
}

struct Renderer::Page {
    struct Piece {
        QTextDocument* doc;
        qreal top;   // where it starts on the page
        qreal from;  // the part of the document shown: [from, to)
        qreal to;
    };
    std::vector<Piece> pieces;
};

namespace {

// Where a document taller than a page may be cut: under each of its lines.
std::vector<qreal> lineBottoms(QTextDocument& doc) {
    std::vector<qreal> bottoms;
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QRectF box = layout->blockBoundingRect(b);
        const QTextLayout* lines = b.layout();
        for (int i = 0; lines && i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            bottoms.push_back(box.top() + line.y() + line.height());
        }
    }
    std::sort(bottoms.begin(), bottoms.end());
    return bottoms;
}

}  // namespace

void Renderer::drawBooklet(QPainter& painter, QPagedPaintDevice& device, const Variant& variant, bool startNewPage) {
    const qreal footer = QFontMetricsF(bodyFont(kFooterPoints), &device).height() * 1.8;
    const qreal height = device.height() - footer;
    const qreal gap = QFontMetricsF(bodyFont(), &device).height() * kGapLines;

    std::vector<std::unique_ptr<QTextDocument>> docs;
    docs.push_back(headerDocument(device, variant));
    for (const PlannedItem& planned : variant.items) {
        docs.push_back(itemDocument(device, planned));
        step();
    }
    // Place: a document that does not fit below what the page holds starts
    // the next page; a heading takes the question after it along.
    std::vector<Page> pages(1);
    qreal y = 0;
    for (size_t i = 0; i < docs.size(); ++i) {
        const qreal h = docs[i]->size().height();
        qreal need = h;
        if (i > 0 && content_.items[size_t(variant.items[i - 1].item)].heading && i + 1 < docs.size())
            need += gap + docs[i + 1]->size().height();
        if (y > 0 && y + need > height) {
            pages.emplace_back();
            y = 0;
        }
        if (y + h <= height) {
            pages.back().pieces.push_back({docs[i].get(), y, 0, h});
            y += h + gap;
            continue;
        }
        // Taller than a page: it runs on over the pages after it, cut under
        // the last whole line that fits on each.
        const std::vector<qreal> bottoms = lineBottoms(*docs[i]);
        qreal from = 0;
        while (true) {
            const qreal limit = from + height - y;
            if (h <= limit) {
                pages.back().pieces.push_back({docs[i].get(), y, from, h});
                y += h - from + gap;
                break;
            }
            auto cut = std::upper_bound(bottoms.begin(), bottoms.end(), limit);
            const qreal to = cut != bottoms.begin() && *(cut - 1) > from ? *(cut - 1) : limit;
            pages.back().pieces.push_back({docs[i].get(), y, from, to});
            pages.emplace_back();
            y = 0;
            from = to;
        }
    }

    for (size_t p = 0; p < pages.size(); ++p) {
        if (startNewPage || p > 0) device.newPage();
        for (const Page::Piece& piece : pages[p].pieces) {
            painter.save();
            painter.translate(0, piece.top - piece.from);
            // A hair inside each cut: a line that only touches it belongs to
            // the other page, also for whoever reads the PDF's text.
            const qreal top = piece.from > 0 ? piece.from + 1 : piece.from;
            const qreal bottom = piece.to < piece.doc->size().height() ? piece.to - 1 : piece.to;
            piece.doc->drawContents(&painter, QRectF(0, top, device.width(), bottom - top));
            painter.restore();
        }
        drawFooter(painter, device, variant.letter, int(p) + 1, int(pages.size()));
    }
}

void Renderer::drawKeys(QPainter& painter, QPagedPaintDevice& device, const std::vector<Variant>& variants, bool startNewPage) {
    constexpr int kPerRow = 10;
    for (size_t v = 0; v < variants.size(); ++v) {
        const Variant& variant = variants[v];
        auto doc = newDocument(device);
        QTextCursor c(doc.get());
        std::optional<EditBlock> once(std::in_place, c);
        const QTextBlockFormat centred = centredBlock();
        const QTextCharFormat big = titleFormat();
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        c.setBlockFormat(centred);
        c.insertText(QStringLiteral("Cevap Anahtarı · Kitapçık %1").arg(variant.letter), big);
        c.insertBlock(centred);
        QString line = header_.title.trimmed();
        if (!header_.date.trimmed().isEmpty()) line += QStringLiteral(" · ") + header_.date.trimmed();
        c.insertText(line, QTextCharFormat());

        const QString key = variant.key();
        const int rows = (int(key.size()) + kPerRow - 1) / kPerRow;
        if (rows > 0) {
            QTextTableFormat format;
            format.setBorder(formatLength(0.008));
            format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            format.setBorderCollapse(true);
            format.setCellPadding(formatLength(0.03));
            format.setCellSpacing(0);
            format.setTopMargin(formatLength(0.15));
            format.setAlignment(Qt::AlignHCenter);
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            format.setColumnWidthConstraints(
                QList<QTextLength>(kPerRow, QTextLength(QTextLength::PercentageLength, 100.0 / kPerRow)));
            QTextTable* table = c.insertTable(rows * 2, kPerRow, format);
            QTextBlockFormat middle;
            middle.setAlignment(Qt::AlignHCenter);
            for (int i = 0; i < int(key.size()); ++i) {
                const int row = i / kPerRow * 2, column = i % kPerRow;
                QTextCursor n = table->cellAt(row, column).firstCursorPosition();
                n.setBlockFormat(middle);
                QTextCharFormat small;
                small.setForeground(Qt::darkGray);
                small.setFontPointSize(8);
                n.insertText(QString::number(i + 1), small);
                QTextCursor l = table->cellAt(row + 1, column).firstCursorPosition();
                l.setBlockFormat(middle);
                l.insertText(QString(key.at(i)), bold);
            }
        }
        once.reset();
        const qreal footer = QFontMetricsF(bodyFont(kFooterPoints), &device).height() * 1.8;
        const QSizeF page(device.width(), device.height() - footer);
        doc->setPageSize(page);
        const int pages = doc->pageCount();
        for (int p = 0; p < pages; ++p) {
            if (startNewPage || v > 0 || p > 0) device.newPage();
            painter.save();
            painter.translate(0, -p * page.height());
            doc->drawContents(&painter, QRectF(QPointF(0, p * page.height()), page));
            painter.restore();
            drawFooter(painter, device, QChar(), 0, 0);
        }
        step();
    }
}

void Renderer::drawAll(QPainter& painter, QPagedPaintDevice& device, const std::vector<Variant>& variants) {
    resetProgress(steps(content_, int(variants.size())));
    for (size_t v = 0; v < variants.size(); ++v) drawBooklet(painter, device, variants[v], v > 0);
    drawKeys(painter, device, variants, !variants.empty());
}

}  // namespace booklet
