#include "bank/frm_qeditx.h"

#include "grid/fieldlink.h"
#include "storage/field_names.h"
#include "storage/session.h"
#include "text/long_text.h"
#include "text/pictures.h"
#include "ui/guarded.h"
#include "ui/msgbox.h"
#include "ui/placement.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int kStripWidth = 220;
const QSize kPictureBox(196, 196);
}  // namespace

Tqeditx::Tqeditx(storage::Session& session, std::function<QString()> programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window),
      session_(session),
      programFolder_(std::move(programFolder)),
      stripContent_(new QWidget),
      stripLayout_(new QVBoxLayout(stripContent_)) {
    setObjectName(QStringLiteral("qeditx"));
    setWindowTitle(QStringLiteral("Soru Detay"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Soru"));
    PictureStrip = new QScrollArea(this);
    PictureStrip->setObjectName(QStringLiteral("PictureStrip"));
    PictureStrip->setAccessibleName(QStringLiteral("Resimler"));
    PictureStrip->setFixedWidth(kStripWidth);
    PictureStrip->setWidgetResizable(true);
    PictureStrip->setWidget(stripContent_);
    PictureStrip->hide();
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setFixedHeight(41);
    BitBtn1 = new QPushButton(QStringLiteral("Kaydet"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(8, 8, 75, 25);
    BitBtn2 = new QPushButton(QStringLiteral("Vazgeç"), Panel1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(96, 8, 75, 25);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(Memo1, 1);
    top->addWidget(PictureStrip);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top, 1);
    layout->addWidget(Panel1);

    // The memo shows the question with its own line breaks and writes it back with CR LF.
    link_ = new grid::FieldLink(Memo1);
    link_->load = [this] {
        // Hidden, the window only notes that its text is due: an import posts
        // thousands of rows, and each field it sets would lay the memo out.
        if (!isVisible()) {
            loadDue_ = true;
            return;
        }
        loadDue_ = false;
        QString text = link_->text();
        // A text longer than a window reads shows its beginning, read only:
        // the cut must never be what a save writes back.
        const bool tooLong = longtext::tooLong(text);
        if (tooLong) text = longtext::cut(text, longtext::kPreviewChars, true);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        Memo1->setReadOnly(tooLong);
        Memo1->setPlainText(text);
    };
    link_->commit = [this] {
        QString text = Memo1->toPlainText();
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        link_->writeText(text);
    };
    link_->storeOnFocusOut(Memo1);
    connect(Memo1, &QPlainTextEdit::textChanged, link_, &grid::FieldLink::noteUserEdit);
    ui::onSignal(Memo1, &QPlainTextEdit::textChanged, this, &Tqeditx::showPictures);
    link_->bind(session_.DataSource1.dataSet, storage::fields::kQuestion);

    ui::onClick(BitBtn1, this, &Tqeditx::BitBtn1Click);
    ui::onClick(BitBtn2, this, &Tqeditx::BitBtn2Click);
    ui::setOuterSize(this, QSize(499, 234));  // frame included
    ui::centreOnScreen(this);
}

void Tqeditx::BitBtn1Click() {
    auto& questions = session_.ADOTable1;
    questions.edit();
    questions.post();
    close();
}

void Tqeditx::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (loadDue_) msgbox::guard([this] { link_->reload(); });
    // Files may have come or gone while the window was away.
    pictures_.clear();
    msgbox::guard([this] { showPictures(); });
}

void Tqeditx::showPictures() {
    const QStringList names = picture::references(Memo1->toPlainText());
    const QString folder = (programFolder_ ? programFolder_() : QString()) + QStringLiteral("Pictures");
    if (names == pictures_ && folder == picturesFolder_) return;
    pictures_ = names;
    picturesFolder_ = folder;
    while (QLayoutItem* item = stripLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const QString& name : names) {
        auto* entry = new QLabel(stripContent_);
        entry->setObjectName(name);
        entry->setAlignment(Qt::AlignCenter);
        entry->setWordWrap(true);
        const picture::File file = picture::locate(folder, name);
        QImage image;
        picture::Failure failure = picture::Failure::None;
        if (file.status == picture::File::Status::Found) image = picture::load(file.path, kPictureBox, &failure);
        if (!image.isNull()) {
            entry->setPixmap(QPixmap::fromImage(image));
            entry->setToolTip(name);
        } else if (file.status == picture::File::Status::Refused) {
            entry->setText(name + QStringLiteral(" gösterilmez: yalnızca Pictures klasöründeki dosyalar okunur"));
        } else if (file.status == picture::File::Status::Missing) {
            entry->setText(name + QStringLiteral(" bulunamadı"));
        } else if (failure == picture::Failure::TooLarge) {
            entry->setText(name + QStringLiteral(" gösterilmez: %1 milyon pikselden büyük").arg(picture::kMaxPixels / 1'000'000));
        } else {
            entry->setText(name + QStringLiteral(" okunamadı"));
        }
        entry->setAccessibleName(entry->text().isEmpty() ? name : entry->text());
        stripLayout_->addWidget(entry);
    }
    stripLayout_->addStretch();
    // The window grows by the strip when pictures come and gives the room back when they go.
    const bool want = !names.isEmpty();
    if (want != !PictureStrip->isHidden()) {
        PictureStrip->setVisible(want);
        resize(width() + (want ? kStripWidth : -kStripWidth), height());
    }
}

QStringList Tqeditx::pictureNotes() const {
    QStringList notes;
    for (auto* label : stripContent_->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) notes.append(label->text());
    return notes;
}
