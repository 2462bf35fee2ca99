-- The database file supplied with the program. The program itself never runs
-- a schema statement on these tables and the view; quorvel-mkdb creates a new,
-- empty file from this text. Beside them the program keeps one table of its
-- own, made the first time it is needed and never read by the web site:
-- quorvel_kept_order, the answer orders a teacher keeps in printed booklets
-- (storage/statements.h).
--
-- Declared types tell the storage layer each field's kind:
--   INTEGER PRIMARY KEY AUTOINCREMENT  auto-number, read-only to the program
--   INTEGER                            long integer
--   VARCHAR(n)                         text of at most n characters
--   TEXT                               memo
--   BOOLEAN                            yes/no, stored as 0 or 1

-- Question groups.
CREATE TABLE tqgroup (
  ID        INTEGER PRIMARY KEY AUTOINCREMENT,
  GROUPNAME VARCHAR(50)
);

-- Bank questions. rid is the reference number and the ordering key within a
-- group; unique over the table. The ordering swap parks a row at the negated
-- key, which never collides because every key is positive.
CREATE TABLE tqmaster (
  rid         INTEGER,
  question    TEXT,
  answer1     VARCHAR(255),
  answer2     VARCHAR(255),
  answer3     VARCHAR(255),
  answer4     VARCHAR(255),
  true_answer VARCHAR(1),
  sts         BOOLEAN,
  qgrp        INTEGER
);
CREATE UNIQUE INDEX tqmaster_rid ON tqmaster (rid);
-- A group's question list ordered by rid, and the group's question count.
CREATE INDEX tqmaster_qgrp_rid ON tqmaster (qgrp, rid);

-- Exams.
CREATE TABLE qgroup (
  ID        INTEGER PRIMARY KEY AUTOINCREMENT,
  GROUPNAME VARCHAR(50),
  GROUPPASS VARCHAR(50),
  DRM       BOOLEAN
);

-- Exam entries. Exactly these three columns in this order: the insert
-- statement names no columns.
CREATE TABLE qquestion (
  qqID        INTEGER,
  group_id    INTEGER,
  question_id INTEGER
);
CREATE UNIQUE INDEX qquestion_qqID ON qquestion (qqID);
-- An exam's entries in order, its entry count and the duplicate test.
CREATE INDEX qquestion_exam ON qquestion (group_id, qqID);
CREATE INDEX qquestion_exam_question ON qquestion (group_id, question_id);

-- One row per exam entry with its bank question's fields; an entry whose
-- bank question no longer exists still appears, with those fields empty, so
-- that the exam's count and its list agree. Entries of one exam come in
-- ascending qqID.
CREATE VIEW Questions AS
  SELECT m.question, m.answer1, m.answer2, m.answer3, m.answer4,
         m.true_answer, m.sts, q.qqID, q.group_id
  FROM qquestion AS q LEFT JOIN tqmaster AS m ON m.rid = q.question_id
  ORDER BY q.group_id, q.qqID;
