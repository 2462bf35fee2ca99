#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace grid {
class FieldLink;
}
namespace storage {
class Session;
}

// "Soru Detay": the current bank question as plain text; modeless, following
// the current row of the bank question set. The window that shows it adopts
// it as its own (it then stays above that window and takes input while that
// window is modal; boxes still come above it). Typing puts the row into
// edit state; "Kaydet" posts it (the post rule runs) and closes, "Vazgeç" only
// closes and leaves the typing pending in the row.
//
// A question that names pictures ("{r1.jpg}") grows a strip beside the text
// with each picture from the "Pictures" folder under the program's folder, or
// its name and "bulunamadı" when the file is not there.
class Tqeditx : public QWidget {
    Q_OBJECT
public:
    explicit Tqeditx(storage::Session& session, std::function<QString()> programFolder = {}, QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* BitBtn1 = nullptr;  // "Kaydet"
    QPushButton* BitBtn2 = nullptr;  // "Vazgeç"
    QScrollArea* PictureStrip = nullptr;

    void BitBtn1Click();
    void BitBtn2Click() { close(); }

    // The picture names the strip shows, and what each entry says: the
    // picture (an empty text) or why there is none.
    QStringList shownPictures() const { return pictures_; }
    QStringList pictureNotes() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showPictures();

    storage::Session& session_;
    std::function<QString()> programFolder_;
    grid::FieldLink* link_;
    QWidget* stripContent_;
    QVBoxLayout* stripLayout_;
    QStringList pictures_;
    bool loadDue_ = true;  // the memo has not shown the current row's text yet
    QString picturesFolder_;
};
