#pragma once

#include <functional>

// Ends the program: stops the skin's global part when the skin is on, then
// leaves the event loop. The main window's closing and the website window's
// closing both end here.
void endProgram();

// Replaces what ending does after the skin is stopped (tests count the calls);
// an empty function goes back to QCoreApplication::quit.
void setEndProgramHandler(std::function<void()> handler);
