#pragma once

#include <functional>

class QWidget;

// Runs one handler; any error it raises is shown through the error report and the program
// goes on, so the user's unsaved work stays on screen.
void runGuarded(QWidget* parent, const std::function<void()>& handler);

// The same for start-up: returns false after reporting the error.
bool startUpGuarded(QWidget* parent, const std::function<void()>& startUp);

#include <QAbstractButton>

// Connects a button's click to a handler of `window` that runs guarded.
template <typename Window>
void connectGuarded(QAbstractButton* button, Window* window, void (Window::*handler)()) {
    QObject::connect(button, &QAbstractButton::clicked, window, [window, handler] {
        runGuarded(window, [window, handler] { (window->*handler)(); });
    });
}
