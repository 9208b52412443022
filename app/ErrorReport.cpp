#include "ErrorReport.h"

#include <QCoreApplication>
#include <QString>
#include <exception>

#include "Platform.h"
#include "StoreError.h"

namespace {

// VB's "Internal error": anything that is not one of the store's own errors.
constexpr long kInternalError = 51;

bool reportFailures(QWidget* parent, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const store::StoreError& e) {
        Platform::instance().errorReport(parent, e.number(), e.description());
    } catch (const std::exception& e) {
        Platform::instance().errorReport(parent, kInternalError, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Platform::instance().errorReport(
            parent, kInternalError,
            QCoreApplication::translate("ErrorReport", "An unexpected error occurred."));
    }
    return false;
}

}  // namespace

void runGuarded(QWidget* parent, const std::function<void()>& handler) {
    reportFailures(parent, handler);
}

bool startUpGuarded(QWidget* parent, const std::function<void()>& startUp) {
    return reportFailures(parent, startUp);
}
