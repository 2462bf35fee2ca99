#pragma once

#include <QDialog>

// Copies a group's questions from another database file; shown modally.
class Tqimport : public QDialog {
    Q_OBJECT
public:
    explicit Tqimport(QWidget* parent = nullptr);
};
