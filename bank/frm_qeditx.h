#pragma once

#include <QWidget>

// The plain-text view of the current question; modeless and on top.
class Tqeditx : public QWidget {
    Q_OBJECT
public:
    explicit Tqeditx(QWidget* parent = nullptr);
};
