#pragma once

#include <QtGlobal>

namespace storage {
class Session;
}

// Rules of bank questions that hold whichever window changes them.
namespace bank {

// Runs before every post of the bank question set (ADOTable1), in this order:
// 1. `question` takes the text of the entry window's rich-text control, so a
//    posted question is always plain text (without the control, the field's
//    own text without formatting);
// 2. without a correct answer the error box "\r\nDoğru cevabı giriniz..."
//    shows and the post is abandoned (storage::SilentAbort), the row left as
//    it is;
// 3. a new row is filed under the current group (`qgrp` from tgrp);
// 4. a new row gets the next reference number (`rid`), unique over the bank,
//    and is not cancelled (`sts` false) unless it was ticked or copied so.
void questionBeforePost(storage::Session& session);

// The largest whole-number rid of the whole bank plus one; 1 when there is
// none. A reference number another program stored that is no whole number
// is passed over; a warning box names its question, once in the run.
qint64 nextRid(storage::Session& session);

}  // namespace bank
