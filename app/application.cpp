#include "app/application.h"

#include "errors/runtime_error.h"
#include "platform/toolkit/toolkit.h"

#include <QMessageBox>

#include <cstdlib>

namespace rainfall {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    // No display name: Qt would append it to every window title.
    setApplicationName(RAINFALL_NAME);
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportFatalError(error);
        exit(EXIT_FAILURE);
        return true;
    }
}

void ReportFatalError(const std::exception& error)
{
    QString text = QString::fromStdString(error.what());
    if (const auto* runtime = dynamic_cast<const RuntimeError*>(&error))
        text = QString("Run-time error: %1").arg(QString::fromStdString(runtime->what()));
    QMessageBox::critical(nullptr, ApplicationTitle, text + "\n\nThe program will end.");
}

} // namespace rainfall
