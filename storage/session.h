#pragma once

#include "storage/connection.h"
#include "storage/count_cache.h"
#include "storage/datasource.h"
#include "storage/recordset.h"

#include <QSet>
#include <QString>

#include <functional>

namespace storage {

// What the question entry window's rich-text control offers to rules that run
// outside that window: the post rule of bank questions reads the question text
// from it, and text can be put into it as if typed.
class QuestionTextControl {
public:
    virtual ~QuestionTextControl() = default;
    virtual QString questionText() const = 0;
    virtual void setQuestionText(const QString& text) = 0;
};

// The program's data: the one connection, the shared record sets and scratch
// queries under their own names, and the data links the windows bind to. Every
// window receives the one session; moving a set's current row in one window
// moves it for all, and the main window's hooks on these sets run whichever
// window moved them.
class Session {
public:
    Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Connection ADOConnection1;
    RecordSet tgrp;           // question groups, table tqgroup
    RecordSet ADOTable1;      // bank questions of the current group
    RecordSet tsinav;         // exams, table qgroup
    RecordSet tQuestions;     // entries of the current exam, view Questions, detail of tsinav
    RecordSet ADOQuery1;      // maxima and the duplicate count
    RecordSet ADOQuery2;      // change statements
    RecordSet rcxxx;          // caption counts
    CountCache captionCount;  // the last caption count, while the file is unchanged
    RecordSet rcins;          // insert of exam entries

    DataSource dgrp{&tgrp};
    DataSource DataSource1{&ADOTable1};
    DataSource dsinav{&tsinav};
    DataSource dQuestions{&tQuestions};

    // --- what one window offers to another's rules ------------------------
    // The entry window's rich-text question control; null until that window exists.
    QuestionTextControl* questionText = nullptr;
    // Whether the add-questions window is on screen: a change of group then
    // reloads the bank questions it shows. Unset: it is not.
    std::function<bool()> addQuestionsShown;
    bool isAddQuestionsShown() const { return addQuestionsShown && addQuestionsShown(); }

    // --- what the user has been told ----------------------------------------
    // Whether a note (about a value another program left in the file) is new
    // in this run; from now on it is not. A window tells such a note once.
    bool firstTimeTold(const QString& note);

private:
    QSet<QString> told_;
};

}  // namespace storage
