#pragma once

#include "booklet/plan.h"

#include <QDialog>

#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

// "Şık Sırası..." of the print dialog: the exam's questions, each with a tick
// that keeps its answers in their order when the booklets shuffle answers.
// Questions whose answers name others by their letters ("A ve B") show
// ticked and cannot be unticked: their order holds anyway.
class Tsik_sirasi : public QDialog {
    Q_OBJECT
public:
    explicit Tsik_sirasi(const booklet::ExamContent& content, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;  // one row per question, in exam order
    QPushButton* ButtonTamam = nullptr;
    QPushButton* ButtonIptal = nullptr;

    // The answers' keys the ticks choose now, and those they clear.
    QList<qint64> kept() const;
    QList<qint64> released() const;

private:
    const booklet::ExamContent& content_;
    std::vector<int> items_;  // row -> index into content_.items
};
