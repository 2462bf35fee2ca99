#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace grid {
class DataGrid;
}
namespace storage {
class Session;
}

// Adds bank questions to an exam: the groups, the exams and the questions of
// the current group side by side, all the session's own record sets. Shown
// modally; while it is visible a change of group reloads the question list
// (the main window's group hook asks the session whether this window is up).
class Tsinav_soru_ekle : public QDialog {
    Q_OBJECT
public:
    explicit Tsinav_soru_ekle(storage::Session& session, QWidget* parent = nullptr);
    ~Tsinav_soru_ekle() override;

    grid::DataGrid* wwDBGrid1 = nullptr;  // groups
    grid::DataGrid* wwDBGrid3 = nullptr;  // exams
    grid::DataGrid* wwDBGrid2 = nullptr;  // questions of the current group
    QPushButton* RzButton1 = nullptr;     // "Grubu Aktar"
    QPushButton* RzButton2 = nullptr;     // "Aktif Soruyu Aktar"
    QLabel* Label4 = nullptr;             // "N Soru Eklendi"
    QPlainTextEdit* Memo1 = nullptr;      // the log
    QWidget* Panel1 = nullptr;            // progress panel, floating
    QProgressBar* ProgressBar1 = nullptr;

    // The number of entries added since the window was shown or the counter reset.
    int added() const { return added_; }

    void RzButton1Click();  // group transfer
    void RzButton2Click();  // single transfer
    void wwDBGrid2DblClick() { RzButton2Click(); }
    void Label4DblClick();

    // Closing is refused while a group transfer runs: the loop lets messages
    // through, and a hidden window would give the main window back.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    // The exam a transfer goes into: chosen when the transfer starts, so that a
    // group transfer stays in the exam the teacher confirmed.
    struct Exam {
        qint64 id = 0;
        QString name;
    };
    // Puts the current question into the exam unless the exam holds it
    // already; returns whether it inserted an entry. A question that is no
    // longer in the bank, or whose reference number is no whole number, is
    // not put in: the log says so.
    bool transferStep(const Exam& exam);
    enum class Added { Inserted, Present, Gone, NumberTaken };
    // One try at the entry of question rid, as one unit: refused when the
    // exam holds the question or the bank no longer does; NumberTaken when
    // the number it read was taken all the same, and nothing was written.
    Added addEntry(const Exam& exam, qint64 rid);
    bool haveRows() const;
    // The current exam; refuses, with a box, an exam row not yet saved.
    std::optional<Exam> currentExam();
    // Whether a press or move at pos falls on the window's bare surface.
    bool onBareSurface(const QPoint& pos) const;
    void log(const QString& line);
    void showCounter();
    void showProgress(bool busy);

    storage::Session& session_;
    int added_ = 0;
    int runningTransfers_ = 0;  // group transfers under way, nested ones included
};
