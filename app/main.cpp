// Average Rainfall: the catchment rainfall by the Thiessen polygon method.
#include "application.h"
#include "frmtip.h"

#include <QIcon>

#include <cstdlib>

int main(int argc, char** argv)
{
    rainfall::Application app(argc, argv);
    try {
        QIcon icon;
        icon.addFile(":/icons/average-rainfall-16.png");
        icon.addFile(":/icons/average-rainfall-32.png");
        QApplication::setWindowIcon(icon);

        // The program starts at the welcome window; its OK button opens the
        // main window. The welcome window deletes itself when it is closed.
        auto* welcome = new rainfall::frmTip();
        welcome->show();
        return app.exec();
    } catch (const std::exception& error) {
        rainfall::ReportFatalError(error);
        return EXIT_FAILURE;
    }
}
