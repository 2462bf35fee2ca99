#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

class QWidget;

namespace storage {
class RecordSet;
}

namespace grid {

// Binds a control to one field of a record set's current row.
//
// The control says how to show the field (load) and how to write what the
// user entered (store); the link calls them at the right moments: load when
// the set opens, moves, cancels or posts, or when another control changes the
// field while this one holds nothing pending; store when the set asks its
// controls for pending input (before every post and move) and when the
// control reports that it lost the focus.
//
// A control that owns a FieldLink as a direct child is data-aware: a data
// grid that adopts it as a cell control binds that link to the cell's field.
class FieldLink : public QObject {
    Q_OBJECT
public:
    explicit FieldLink(QObject* parent = nullptr);
    ~FieldLink() override;

    // Binds the link and shows the field. A failure to show it is thrown;
    // the link is bound all the same.
    void bind(storage::RecordSet* recordSet, const QString& field);
    storage::RecordSet* recordSet() const;
    const QString& fieldName() const { return fieldName_; }
    // The field's index in the open set; -1 when unbound, closed or absent.
    int fieldIndex() const;
    bool hasRow() const;
    // Whether the set holds its controls back (RecordSet::ControlsHold): the
    // control may then show an earlier row than the current one.
    bool held() const;

    // The field's value in the current row (its pending value while editing).
    QVariant value() const;
    QString text() const;

    // Whether the control holds input not yet written into the field.
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // Whether the field may be changed: the set is open and changeable and
    // neither the field nor the control is read-only.
    bool canModify() const;
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // Puts the current row into edit state; false when it may not be changed.
    bool edit();
    // Writes a text into the field, putting the row into edit state first.
    void writeText(const QString& text);

    // Shows the field's value now and clears the changed mark.
    void reload();
    // Writes pending input into the field; nothing when the control is unchanged.
    void store();
    // Whether load is running (changes the control makes then are not the user's).
    bool loading() const { return loading_; }

    std::function<void()> load;    // show value()/text() in the control
    std::function<void()> commit;  // write the control's content with writeText()

    // A link for any widget through its user property (a line edit's text, a
    // check box's state...). Owned by the widget.
    static FieldLink* forWidget(QWidget* widget);
    // Stores pending input whenever the widget loses the focus to another control.
    void storeOnFocusOut(QWidget* widget);

public slots:
    // The user changed the control: the row goes into edit state and the
    // control holds pending input; where the field may not change, the
    // control shows the field's value again.
    void noteUserEdit();

private:
    void connectSet();
    QPointer<storage::RecordSet> recordSet_;
    QString fieldName_;
    bool modified_ = false;
    bool readOnly_ = false;
    bool loading_ = false;
};

}  // namespace grid
