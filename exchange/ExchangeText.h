#pragma once

#include <QCoreApplication>

namespace exchange {

// The translation context of the CSV doors' messages, shown in the windows and on stderr.
class Text {
    Q_DECLARE_TR_FUNCTIONS(exchange)
};

}  // namespace exchange
