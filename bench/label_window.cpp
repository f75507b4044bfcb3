// A second yardstick for the program's start-up: an empty Qt window that
// shows one line of text, so that it too starts the font system.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel window("Did you know...");
    window.setWindowTitle("Window with a label");
    window.resize(588, 341);
    window.show();
    return app.exec();
}
