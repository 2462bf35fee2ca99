#pragma once

namespace app {
// The program entry: application title, the nine windows, the message loop.
int run(int argc, char** argv);
// Loads Qt's own Turkish texts for the dialogs Qt brings; false when they are
// not installed. The application must exist.
bool installQtTranslations();
}  // namespace app
