#include "app/start_up.h"

#include "app/application.h"
#include "app/command_line.h"
#include "mainwindow/w.h"
#include "platform/system/console.h"
#include "platform/toolkit/layout.h"

#include <QDir>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

namespace rainfall {

namespace {

// Help and version are answered before Qt starts, so they need no display.
int Answer(const Program& program, const CommandLine& command)
{
    UseStartingConsole();
    switch (command.action) {
    case CommandLine::ShowHelp:
        std::fputs(HelpText(program).c_str(), stdout);
        return EXIT_SUCCESS;
    case CommandLine::ShowVersion:
        std::fputs(VersionText(program).c_str(), stdout);
        return EXIT_SUCCESS;
    case CommandLine::Refuse:
        std::fprintf(stderr, "%s: %s\n\n%s", program.name, command.error.c_str(),
                     HelpText(program).c_str());
        return 2;
    case CommandLine::Start:
        break;
    }
    return EXIT_SUCCESS;
}

} // namespace

// The welcome window is hidden before it emits accepted(), so the main window
// comes after it has gone, as one window giving way to the next.
frmTip* OpenWelcomeWindow(const WelcomeServices& services)
{
    auto* welcome = new frmTip(services);
    QObject::connect(welcome, &QDialog::accepted, [&toolkit = services.toolkit] {
        auto* main = new W(toolkit);
        main->setAttribute(Qt::WA_DeleteOnClose);
        main->show();
    });
    welcome->show();
    return welcome;
}

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

int Run(const Program& program, int argc, char** argv, OpenFirstWindow openFirstWindow)
{
    const CommandLine command = ReadCommandLine(program, argc, argv);
    if (command.action != CommandLine::Start)
        return Answer(program, command);

    DrawFacesWithFreeType();
    Application app(argc, argv);
    try {
        SetProgramIcon();
        openFirstWindow(command.files);
        return app.exec();
    } catch (const std::exception& error) {
        ReportFatalError(error);
        return EXIT_FAILURE;
    }
}

} // namespace rainfall
