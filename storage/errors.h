#pragma once

#include <QString>

#include <exception>
#include <string>

namespace storage {

// Every failure of the data layer. The message is what the user reads in the
// default error box, so it is written for people, not for logs.
class Error : public std::exception {
public:
    explicit Error(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// Another program took the key a new row was to get, after the program read
// it as free (a clash on the program's own numbering of bank questions or
// exam entries): the row was not written, and the key read afresh may be free.
class KeyTaken : public Error {
public:
    using Error::Error;
};

// A message followed by a further sentence: the message is closed with a full
// stop first when it ends without one (the database's own texts do).
inline QString withSentence(QString message, const QString& sentence) {
    while (!message.isEmpty() && message.back().isSpace()) message.chop(1);
    if (message.isEmpty()) return sentence;
    const QChar last = message.back();
    if (last != u'.' && last != u'!' && last != u'?') message += u'.';
    return message + u' ' + sentence;
}

// A rule that has already told the user why it refuses an operation throws this
// to abandon the operation without a second box.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace storage
