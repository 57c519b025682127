#pragma once

class QWidget;

// Makes the window a stay-on-top window (true) or an ordinary one (false),
// keeping its position, size and state. A window that is showing stays shown.
void setOnTop(QWidget* window, bool onTop);

// Whether the window asks to stay on top.
bool isOnTop(const QWidget* window);
