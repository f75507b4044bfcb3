// The Thiessen Polygons window of Average Rainfall, a program of its own so
// that the calculator starts without the geometry library.
#include "app/start_up.h"
#include "thiessenwindow/thiessen_window.h"

namespace {

void OpenThiessenWindow(const std::vector<std::string>& files)
{
    auto* window = new rainfall::ThiessenWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QStringList paths;
    for (const std::string& file : files)
        paths << QString::fromLocal8Bit(file);
    window->OpenInOrder(paths);
}

} // namespace

int main(int argc, char** argv)
{
    return rainfall::Run(rainfall::ThiessenPolygons, argc, argv, OpenThiessenWindow);
}
