// The two sinks of the reader, plain text and QTextDocument, and the public
// read functions that drive them.
#include "text/rtf.h"
#include "text/rtf_reader.h"

#include <QColor>
#include <QScopeGuard>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <unordered_map>

namespace rtf {

namespace {

using detail::Align;
using detail::CharProps;
using detail::Reader;
using detail::State;

// A paragraph mark is written out only when something visible follows it:
// the \par that closes the last paragraph of every document does not add an
// empty one, nor does hidden text after it. Hidden text, line breaks and
// objects within it leave no trace.
//
// An object shows as its placeholder with a blank between it and a word
// next to it; for the text a question keeps, it leaves a gap that
// detail::closeGaps closes.
class PlainSink final : public detail::Sink {
public:
    enum class Objects { Placeholders, Gaps };

    PlainSink(qsizetype expected, Objects objects) : objects_(objects) { out_.reserve(expected); }

    void text(const QChar* s, qsizetype n, const State& st) override {
        if (st.chr.hidden || n == 0) return;
        breakIfPending();
        if (blankAfterObject_ && detail::blankAfterObject(s[0])) out_.append(u' ');
        blankAfterObject_ = false;
        out_.append(s, n);
    }
    void lineBreak(const State& st) override {
        if (st.chr.hidden) return;
        breakIfPending();
        blankAfterObject_ = false;
        out_.append(QLatin1StringView("\r\n"));
    }
    void paragraph(const State&) override {
        breakIfPending();
        blankAfterObject_ = false;
        pending_ = true;
    }
    void finish(const State&) override {}
    void object(const QString& placeholder, QStringView, const State& st) override {
        if (st.chr.hidden) return;
        breakIfPending();
        if (objects_ == Objects::Gaps) {
            out_.append(QChar(detail::PlaceholderGap));
            return;
        }
        if (!out_.isEmpty() && detail::blankBeforeObject(out_.back())) out_.append(u' ');
        out_.append(placeholder);
        blankAfterObject_ = true;
    }

    QString take() { return std::move(out_); }

private:
    void breakIfPending() {
        if (pending_) {
            out_.append(QLatin1StringView("\r\n"));
            pending_ = false;
        }
    }

    QString out_;
    const Objects objects_;
    bool pending_ = false;
    bool blankAfterObject_ = false;
};

struct PropsHash {
    size_t operator()(const CharProps& p) const noexcept {
        const int flags = int(p.bold) | int(p.italic) << 1 | int(p.underline) << 2 | int(p.hidden) << 3 | int(p.vertical) << 4 |
                          int(p.scaps) << 6;
        return qHashMulti(0, flags, p.font, p.halfPoints, p.color);
    }
};

class DocumentSink final : public detail::Sink {
public:
    explicit DocumentSink(QTextDocument& doc) : cursor_(&doc) {}

    void setReader(const Reader* reader) { reader_ = reader; }

    // Hidden text opens no paragraph (PlainSink shows none for it): it stays
    // at the end of the paragraph before, out of sight, until visible text comes.
    void text(const QChar* s, qsizetype n, const State& st) override {
        if (n == 0) return;
        if (!st.chr.hidden)
            breakIfPending();
        else
            markHiddenAfterBreak();
        if (!run_.isEmpty() && !(st.chr == runProps_)) flushRun();
        runProps_ = st.chr;
        if (!st.chr.hidden) {
            if (blankAfterObject_ && detail::blankAfterObject(s[0])) {
                flushRun();
                insertSeparator(st);
            }
            blankAfterObject_ = false;
            lastShown_ = s[n - 1];
        }
        run_.append(s, n);
    }
    void lineBreak(const State& st) override {
        const QChar sep(QChar::LineSeparator);
        text(&sep, 1, st);
    }
    void paragraph(const State& st) override {
        breakIfPending();
        flushRun();
        blankAfterObject_ = false;
        lastShown_ = QChar();
        cursor_.setBlockFormat(blockFormat(st.align));
        pending_ = true;
    }
    void finish(const State& st) override {
        flushRun();
        if (!pending_) cursor_.setBlockFormat(blockFormat(st.align));
    }
    void object(const QString& placeholder, QStringView raw, const State& st) override {
        if (st.chr.hidden) {
            // Out of sight like the text around it: no placeholder, and its RTF
            // goes back inside a hidden group. One cut off has nothing to keep.
            flushRun();
            if (raw.isEmpty()) return;
            markHiddenAfterBreak();
            QTextCharFormat f = formatOf(st.chr);
            f.setObjectType(detail::HiddenTextObject);
            f.setProperty(detail::ObjectRtfProperty, raw.toString());
            cursor_.insertText(QString(QChar::ObjectReplacementCharacter), f);
            return;
        }
        breakIfPending();
        flushRun();
        // Apart from the words around it, by blanks that are text of their own.
        if (detail::blankBeforeObject(lastShown_)) insertSeparator(st);
        QTextCharFormat f = formatOf(st.chr);
        if (!raw.isEmpty()) f.setProperty(detail::ObjectRtfProperty, raw.toString());
        f.setProperty(detail::ObjectPlaceholderProperty, placeholder);
        cursor_.insertText(placeholder, f);
        lastShown_ = placeholder.back();
        blankAfterObject_ = true;
    }

private:
    void insertSeparator(const State& st) {
        QTextCharFormat f = formatOf(st.chr);
        f.setProperty(detail::SeparatorProperty, true);
        cursor_.insertText(QStringLiteral(" "), f);
    }

    // Hidden text after a paragraph mark waits at the end of the paragraph
    // before (a document's last paragraph mark adds no paragraph); when the
    // next paragraph does come, the hidden text opens it, so that a paragraph
    // of hidden text is written back as a paragraph of its own.
    void markHiddenAfterBreak() {
        if (!pending_ || hiddenFrom_ >= 0) return;
        flushRun();
        hiddenFrom_ = cursor_.position();
    }

    void breakIfPending() {
        if (pending_) {
            flushRun();
            if (hiddenFrom_ >= 0) {
                QTextCursor split(cursor_);
                split.setPosition(hiddenFrom_);
                split.insertBlock();
                hiddenFrom_ = -1;
            } else {
                cursor_.insertBlock();
            }
            pending_ = false;
        }
    }

    void flushRun() {
        if (run_.isEmpty()) return;
        const QTextCharFormat& format = formatOf(runProps_);
        if (runProps_.hidden) {
            QTextCharFormat hidden = format;
            hidden.setObjectType(detail::HiddenTextObject);
            hidden.setProperty(detail::HiddenTextProperty, run_);
            cursor_.insertText(QString(QChar::ObjectReplacementCharacter), hidden);
        } else {
            cursor_.insertText(run_, format);
        }
        run_.clear();
    }

    // Documents switch between a handful of formats thousands of times;
    // building a QTextCharFormat (font family lookup, properties) every time
    // cost as much as inserting the text.
    //
    // The number of formats is bounded: Qt hashes formats that differ only in
    // their font family alike, and a document with tens of thousands of fonts
    // or sizes made every insert search a long chain. Beyond the bound, text
    // keeps its style (bold, italic, scripts...) in the default font and size.
    const QTextCharFormat& formatOf(const CharProps& p) {
        constexpr size_t MaxFormats = 512;
        auto it = formats_.find(p);
        if (it != formats_.end()) return it->second;
        if (formats_.size() >= MaxFormats) {
            CharProps plain = p;
            plain.font = -1;
            plain.halfPoints = detail::DefaultHalfPoints;
            plain.color = 0;
            it = formats_.find(plain);
            if (it == formats_.end()) it = formats_.emplace(plain, charFormat(plain)).first;
            return it->second;
        }
        return formats_.emplace(p, charFormat(p)).first->second;
    }

    QTextCharFormat charFormat(const CharProps& p) const {
        QTextCharFormat f;
        // Symbol and Wingdings text is read as Unicode: it shows in the text's font.
        const QString family = reader_->symbolic(p.font) ? QString() : reader_->family(p.font);
        if (!family.isEmpty()) f.setFontFamilies({family});
        if (p.scaps) f.setFontCapitalization(QFont::SmallCaps);
        f.setFontPointSize(p.halfPoints / 2.0);
        f.setFontWeight(p.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(p.italic);
        f.setFontUnderline(p.underline);
        if (p.vertical != detail::Vertical::Baseline)
            f.setVerticalAlignment(p.vertical == detail::Vertical::Super ? QTextCharFormat::AlignSuperScript
                                                                         : QTextCharFormat::AlignSubScript);
        if (const auto rgb = reader_->color(p.color)) f.setForeground(QColor::fromRgb(*rgb));
        return f;
    }

    static QTextBlockFormat blockFormat(Align align) {
        QTextBlockFormat f;
        switch (align) {
            case Align::Left:
                f.setAlignment(Qt::AlignLeft);
                break;
            case Align::Center:
                f.setAlignment(Qt::AlignHCenter);
                break;
            case Align::Right:
                f.setAlignment(Qt::AlignRight);
                break;
            case Align::Justify:
                f.setAlignment(Qt::AlignJustify);
                break;
        }
        return f;
    }

    QTextCursor cursor_;
    const Reader* reader_ = nullptr;
    QString run_;
    CharProps runProps_;
    std::unordered_map<CharProps, QTextCharFormat, PropsHash> formats_;
    bool pending_ = false;
    bool blankAfterObject_ = false;
    int hiddenFrom_ = -1;  // where hidden text after a pending paragraph mark begins
    QChar lastShown_;      // the last visible character of the paragraph
};

QStringView limited(const QString& content, Limit limit) {
    QStringView view(content);
    if (limit == Limit::Partial && view.size() > PartialLength) {
        view = view.first(PartialLength);
        if (view.back().isHighSurrogate()) view.chop(1);  // do not leave half a character
    }
    return view;
}

}  // namespace

QString plainText(const QString& content, Limit limit) {
    const QStringView view = limited(content, limit);
    if (!detail::validRichText(view)) return view.size() == content.size() ? content : view.toString();
    PlainSink sink(view.size() / 2, PlainSink::Objects::Placeholders);
    Reader reader(view, sink);
    reader.run();
    return sink.take();
}

QString questionText(const QString& content) {
    if (!detail::validRichText(content)) return content;
    PlainSink sink(content.size() / 2, PlainSink::Objects::Gaps);
    Reader reader(content, sink);
    reader.run();
    return detail::closeGaps(sink.take());
}

bool readDocument(QTextDocument& doc, const QString& content, Limit limit) {
    const QStringView view = limited(content, limit);
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    const bool rich = detail::validRichText(view);
    if (rich) {
        // One edit block, the clear inside it, as setPlainText does. Outside a
        // block, every insert makes the document shape the paragraph it went
        // into again, quadratic in the formatting runs of a paragraph. And
        // only a change that replaces the whole document (nothing of the old
        // left, all of it new) is laid out lazily, the first screen at once
        // and the rest in steps from the event loop; any other change is laid
        // out whole before endEditBlock returns, which for an editor showing
        // a long document cost more than reading it.
        QTextCursor block(&doc);
        block.beginEditBlock();
        const auto end = qScopeGuard([&] { block.endEditBlock(); });
        doc.clear();
        DocumentSink sink(doc);
        Reader reader(view, sink);
        sink.setReader(&reader);
        reader.run();
    } else {
        QString text = view.toString();
        text.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        doc.setPlainText(text);
    }
    doc.setUndoRedoEnabled(undo);
    return rich;
}

}  // namespace rtf
