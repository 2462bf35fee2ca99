#include "grid/fieldlink.h"

#include "grid/boxes.h"
#include "storage/recordset.h"

#include <QEvent>
#include <QFocusEvent>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QWidget>

namespace grid {

namespace {

// Stores a widget's pending input when it loses the focus to another control
// (not when its own popup opens or the window is deactivated).
class FocusWatcher : public QObject {
public:
    FocusWatcher(QWidget* widget, FieldLink* link) : QObject(link), link_(link), type_(widget->metaObject()) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A widget being destroyed loses the focus as a plain QWidget: nothing to store then.
        if (event->type() == QEvent::FocusOut && watched->metaObject() == type_) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) atEntry([&] { link_->store(); });
        }
        return false;
    }

private:
    FieldLink* link_;
    const QMetaObject* type_;
};

// The link of a widget that knows nothing of record sets: it shows and takes
// the field through the widget's user property.
class PropertyLink : public FieldLink {
public:
    PropertyLink(QWidget* widget, const QMetaProperty& property) : FieldLink(widget), widget_(widget), property_(property) {
        load = [this] {
            if (property_.typeId() == QMetaType::Bool)
                property_.write(widget_, hasRow() && value().toBool());
            else
                property_.write(widget_, text());
        };
        commit = [this] {
            const QVariant v = property_.read(widget_);
            if (property_.typeId() == QMetaType::Bool) {
                if (edit()) recordSet()->setValue(fieldIndex(), v.toBool());
            } else {
                writeText(v.toString());
            }
        };
        if (property_.hasNotifySignal())
            QObject::connect(widget_, property_.notifySignal(), this,
                             metaObject()->method(metaObject()->indexOfSlot("noteUserEdit()")));
        storeOnFocusOut(widget);
    }

private:
    QWidget* widget_;
    QMetaProperty property_;
};

}  // namespace

FieldLink::FieldLink(QObject* parent) : QObject(parent) {}

FieldLink::~FieldLink() {
    if (recordSet_) recordSet_->removeInputWriters(this);
}

void FieldLink::bind(storage::RecordSet* recordSet, const QString& field) {
    if (recordSet_) {
        disconnect(recordSet_, nullptr, this, nullptr);
        recordSet_->removeInputWriters(this);
    }
    recordSet_ = recordSet;
    fieldName_ = field;
    connectSet();
    reload();
}

void FieldLink::connectSet() {
    if (!recordSet_) return;
    using storage::RecordSet;
    auto reloadGuarded = [this] { atEntry([&] { reload(); }); };
    connect(recordSet_, &RecordSet::reset, this, reloadGuarded);
    connect(recordSet_, &RecordSet::currentChanged, this, reloadGuarded);
    connect(recordSet_, &RecordSet::rowChanged, this, [this](int row) {
        if (!modified_ && recordSet_ && row == recordSet_->currentRow()) atEntry([&] { reload(); });
    });
    connect(recordSet_, &RecordSet::stateChanged, this, [this] {
        // Posted or cancelled: whatever was pending is either in the row or gone.
        const auto state = recordSet_->state();
        if (state == storage::RecordState::Browse || state == storage::RecordState::Inactive) atEntry([&] { reload(); });
    });
    // Input that cannot be written stops the post or move that asked for it,
    // and that operation reports the failure.
    recordSet_->addInputWriter(this, [this] { store(); });
}

storage::RecordSet* FieldLink::recordSet() const { return recordSet_.data(); }

int FieldLink::fieldIndex() const {
    if (!recordSet_ || !recordSet_->active()) return -1;
    return recordSet_->fieldIndex(fieldName_);
}

bool FieldLink::held() const { return recordSet_ && recordSet_->controlsHeld(); }

bool FieldLink::hasRow() const { return fieldIndex() >= 0 && recordSet_->currentRow() >= 0; }

QVariant FieldLink::value() const {
    if (!hasRow()) return {};
    return recordSet_->value(fieldIndex());
}

QString FieldLink::text() const {
    if (!hasRow()) return {};
    return recordSet_->field(fieldIndex()).asString();
}

bool FieldLink::canModify() const {
    const int f = fieldIndex();
    return f >= 0 && !readOnly_ && recordSet_->canModify() && !recordSet_->fieldDef(f).readOnly;
}

bool FieldLink::edit() {
    if (!canModify()) return false;
    recordSet_->edit();
    return true;
}

void FieldLink::writeText(const QString& text) {
    if (!edit()) return;
    recordSet_->field(fieldIndex()).setAsString(text);
}

void FieldLink::reload() {
    modified_ = false;
    if (!load) return;
    loading_ = true;
    try {
        load();
    } catch (...) {
        loading_ = false;
        throw;
    }
    loading_ = false;
}

void FieldLink::noteUserEdit() {
    if (loading_) return;
    if (!recordSet_) {  // not bound: an ordinary control
        modified_ = true;
        return;
    }
    atEntry([&] {
        if (edit())
            modified_ = true;
        else
            reload();
    });
}

void FieldLink::storeOnFocusOut(QWidget* widget) { new FocusWatcher(widget, this); }

void FieldLink::store() {
    if (!modified_) return;
    modified_ = false;
    try {
        if (commit) commit();
    } catch (...) {
        modified_ = true;  // still pending: nothing was written
        throw;
    }
}

FieldLink* FieldLink::forWidget(QWidget* widget) {
    const QMetaProperty property = widget->metaObject()->userProperty();
    if (!property.isValid()) return nullptr;
    return new PropertyLink(widget, property);
}

}  // namespace grid
