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
