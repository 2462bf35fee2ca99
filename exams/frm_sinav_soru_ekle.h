#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

#include <optional>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace grid {
class DataGrid;
}
namespace storage {
class Batch;
class Session;
}  // namespace storage

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
    // Puts the current question into the exam, as a unit of batch, unless
    // the exam holds it already. A question that is no longer in the bank,
    // or whose reference number is no whole number, is not put in: the log
    // says so. What the log and the counter say waits in pending_ until the
    // batch is committed.
    void transferStep(const Exam& exam, storage::Batch& batch);
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
    // The counter and the progress bar during a group transfer, about ten
    // times a second (each change is read out by a screen reader), and
    // exactly when forced.
    void showRun(bool force);
    // Shows what the committed units said, and forgets it.
    void report();

    // What the units of the open batch would report: shown once committed,
    // dropped when the batch is undone.
    struct Pending {
        QStringList lines;
        int added = 0;
    };

    storage::Session& session_;
    int added_ = 0;
    Pending pending_;
    bool numberNotGiven_ = false;  // the last unit found every number taken
    int progress_ = 0;             // questions gone through by the group transfer
    QElapsedTimer shown_;          // since the running figures were last shown
    int runningTransfers_ = 0;     // group transfers under way, nested ones included
};
