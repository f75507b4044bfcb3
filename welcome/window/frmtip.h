#pragma once

#include "launcher.h"
#include "registry.h"
#include "runtime_library.h"
#include "tip_of_day.h"
#include "toolkit.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QLabel;
class QPushButton;

namespace rainfall {

// What the welcome window needs from outside; tests hand in their own.
struct WelcomeServices {
    Toolkit& toolkit = DefaultToolkit();
    RunTimeLibrary& runtime = DefaultRunTimeLibrary();
    Registry& registry = SystemRegistry();
    Launcher& launcher = SystemLauncher();
};

// The welcome window, the program's start-up window: one tip of the day from
// TIPOFDAY.TXT beside the program, the credits, OK to go on to the main window
// and System Info to start the system-information tool. It is made with new
// and deletes itself when it is closed (unloaded); nothing shows it again.
class frmTip : public QDialog {
    Q_OBJECT

public:
    // Lays out the window and loads it (Form_Load): the tip is chosen before
    // the window is first shown.
    explicit frmTip(const WelcomeServices& services = {}, QWidget* parent = nullptr);

    // The window's tip machinery (TipOfDay) and launcher (sys_info.h), with
    // this window's tip label and message box.
    std::int16_t LoadTips(const std::string& sFile);
    void StartSysInfo();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load();
    void cmdOK_Click();
    void Command1_Click();

    void LayOut();
    void SetTipText(const std::string& text);

    WelcomeServices services_;
    TipOfDay tips_;
    QLabel* lblTipText = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* Command1 = nullptr;
};

} // namespace rainfall
