// The yardstick for the program's start-up: an empty Qt window, nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Empty window");
    window.resize(588, 341);
    window.show();
    return app.exec();
}
