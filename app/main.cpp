// Average Rainfall: the catchment rainfall by the Thiessen polygon method.
#include "application.h"
#include "w.h"

#include <cstdlib>

int main(int argc, char** argv)
{
    rainfall::Application app(argc, argv);
    try {
        rainfall::W window;
        window.show();
        return app.exec();
    } catch (const std::exception& error) {
        rainfall::ReportFatalError(error);
        return EXIT_FAILURE;
    }
}
