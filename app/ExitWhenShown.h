#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <cstdio>

#include "StartupTrace.h"

// For the start-up benchmark: says "shown" once the watched window has first been painted,
// then ends the program. The program installs it when COGWRIGHT_EXIT_WHEN_SHOWN=1.
class ExitWhenShown : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            startupStep("paint");
            watched->removeEventFilter(this);
            QTimer::singleShot(0, qApp, [] {
                startupStep("shown");
                std::puts("shown");
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }
};
