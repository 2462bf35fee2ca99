#pragma once

#include <QDialog>

// New exam dialog: name and password of a new exam; shown modally.
class Tyeni_sinav : public QDialog {
    Q_OBJECT
public:
    explicit Tyeni_sinav(QWidget* parent = nullptr);
};
