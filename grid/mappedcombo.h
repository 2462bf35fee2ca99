#pragma once

#include <QComboBox>
#include <QStringList>

namespace storage {
class RecordSet;
}

namespace grid {

class FieldLink;

// A drop-down box whose items show one text and store another: each map list
// item is "shown<TAB>stored" ("A\t1" shows "A" and stores "1").
//
// - Showing: the box shows the item whose stored value equals the field's
//   text exactly; no match (empty, null, anything else) shows an empty text.
// - Picking an item puts the row into edit state.
// - Typing a printable character (without Alt) opens the list when it is
//   closed and highlights the next item after the current one, wrapping,
//   whose shown text begins with the character, ignoring case; the character
//   goes into the text as typed. Backspace and Delete do not open the list.
// - Storing: the stored value of the first item whose shown text equals the
//   box's text ignoring case ("c" stores "3"); an empty value when none does.
//
// The box writes into its field when it loses the focus and before the row is
// posted. A data grid adopts it as the cell control of a column by its name.
class MappedCombo : public QComboBox {
    Q_OBJECT
public:
    explicit MappedCombo(QWidget* parent = nullptr);

    // Takes the items and shows the field anew; a failure to show it is
    // thrown with the new items in place.
    void setMapList(const QStringList& items);
    const QStringList& mapList() const { return mapList_; }
    QString shownFor(const QString& stored) const;
    QString storedFor(const QString& shown) const;

    FieldLink* fieldLink() const { return link_; }
    // As FieldLink::bind.
    void bindField(storage::RecordSet* recordSet, const QString& field);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Handles a typed character; true when it was taken.
    bool typeCharacter(const QString& text);
    void showField();
    int findNextStartingWith(QChar c) const;

    QStringList mapList_;
    QStringList shown_;
    QStringList stored_;
    FieldLink* link_;
};

}  // namespace grid
