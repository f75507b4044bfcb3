#include "app/start_up.h"

#include "app/application.h"
#include "app/command_line.h"
#include "platform/system/console.h"
#include "platform/toolkit/layout.h"
#include "welcome/window/frmtip.h"
#ifdef RAINFALL_THIESSEN_WINDOW
#include "thiessenwindow/thiessen_window.h"
#endif

#include <QDir>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

namespace rainfall {

namespace {

// Help and version are answered before Qt starts, so they need no display.
int Answer(const CommandLine& command)
{
    UseStartingConsole();
    switch (command.action) {
    case CommandLine::ShowHelp:
        std::fputs(UsageText().c_str(), stdout);
        return EXIT_SUCCESS;
    case CommandLine::ShowVersion:
        std::fputs(VersionText().c_str(), stdout);
        return EXIT_SUCCESS;
    case CommandLine::Refuse:
        std::fprintf(stderr, RAINFALL_NAME ": %s\n\n%s", command.error.c_str(),
                     UsageText().c_str());
        return 2;
    case CommandLine::Start:
        break;
    }
    return EXIT_SUCCESS;
}

} // namespace

void SetProgramIcon()
{
    QIcon icon;
    for (const QFileInfo& file : QDir(":/icons").entryInfoList()) {
        // Read by the built-in PNG reader alone: left to find the format
        // itself, Qt would load every image format plug-in to ask it.
        QImageReader reader(file.filePath(), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    QApplication::setWindowIcon(icon);
}

int Run(int argc, char** argv)
{
    const CommandLine command = ReadCommandLine(argc, argv);
    if (command.action != CommandLine::Start)
        return Answer(command);

    DrawFacesWithFreeType();
    Application app(argc, argv);
    try {
        SetProgramIcon();
#ifdef RAINFALL_THIESSEN_WINDOW
        if (command.thiessen) {
            auto* window = new ThiessenWindow;
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->show();
            QStringList files;
            for (const std::string& file : command.files)
                files << QString::fromLocal8Bit(file);
            window->OpenInOrder(files);
            return app.exec();
        }
#endif
        // The program starts at the welcome window; its OK button opens the
        // main window. The welcome window deletes itself when it is closed.
        (new frmTip())->show();
        return app.exec();
    } catch (const std::exception& error) {
        ReportFatalError(error);
        return EXIT_FAILURE;
    }
}

} // namespace rainfall
