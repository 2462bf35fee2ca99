#pragma once

#include <QDialog>

// Read-only detail of the current exam question; shown modelessly.
class Tsoru_detay : public QDialog {
    Q_OBJECT
public:
    explicit Tsoru_detay(QWidget* parent = nullptr);
};
