#pragma once

#include <QString>

class QWidget;

// Types a text as a user would: one key press per character, each to the
// widget that has the focus (the given widget when none has). Unlike
// QTest::keyClicks it takes any character (Turkish letters, quotes).
void typeText(QWidget* widget, const QString& text);
