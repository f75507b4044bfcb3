#include "app/start_up.h"

#include "app/application.h"
#include "app/command_line.h"
#include "mainwindow/w.h"
#include "platform/system/console.h"
#include "platform/toolkit/layout.h"

#include <QIcon>

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
        std::fprintf(stderr, "average-rainfall: %s\n\n%s", command.error.c_str(),
                     UsageText().c_str());
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
    for (int size : {16, 32, 48})
        icon.addFile(QString(":/icons/average-rainfall-%1.png").arg(size));
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
        OpenWelcomeWindow();
        return app.exec();
    } catch (const std::exception& error) {
        ReportFatalError(error);
        return EXIT_FAILURE;
    }
}

} // namespace rainfall
