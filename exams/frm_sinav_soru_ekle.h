#pragma once

#include <QDialog>

namespace storage {
class Session;
}

// Adds bank questions to an exam; shown modally. While it is visible the
// main window reloads its question list whenever the current group changes.
class Tsinav_soru_ekle : public QDialog {
    Q_OBJECT
public:
    explicit Tsinav_soru_ekle(storage::Session& session, QWidget* parent = nullptr);
    ~Tsinav_soru_ekle() override;

private:
    storage::Session& session_;
};
