#pragma once

namespace app {
// The program entry: application title, the nine windows, the message loop.
int run(int argc, char** argv);
}  // namespace app
