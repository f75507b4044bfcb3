#pragma once

#include <QApplication>

#include <exception>

namespace rainfall {

// The program's QApplication. A run-time error that no window handles ends up
// here: it is reported in a message box that names the error, and the program
// ends with a non-zero exit status instead of running on in a broken state.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the message for an error that ends the program.
void ReportFatalError(const std::exception& error);

} // namespace rainfall
