// A third yardstick for the program's start-up: the window of
// bench_label_window with its line in a face built into the program, so that
// beside it the cost of the built-in faces shows.
#include "platform/toolkit/faces.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    rainfall::DrawFacesWithFreeType();
    QApplication app(argc, argv);
    QLabel window("Did you know...");
    window.setFont(rainfall::PlatformFont({"MS Sans Serif", 8.25, true}));
    window.setWindowTitle("Window with a label in a built-in face");
    window.resize(588, 341);
    window.show();
    return app.exec();
}
