#pragma once

#include <functional>

class QWidget;

// Runs one handler; any error it raises is shown through the error report and the program
// goes on, so the user's unsaved work stays on screen.
void runGuarded(QWidget* parent, const std::function<void()>& handler);

// The same for start-up: returns false after reporting the error.
bool startUpGuarded(QWidget* parent, const std::function<void()>& startUp);
