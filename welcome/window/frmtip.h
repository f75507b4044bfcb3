#pragma once

#include "platform/system/launcher.h"
#include "platform/system/registry.h"
#include "platform/system/runtime_library.h"
#include "platform/toolkit/toolkit.h"
#include "welcome/logic/tip_of_day.h"

#include <QDialog>

#include <string_view>

class QLabel;
class QPushButton;

namespace rainfall {

// What the welcome window needs from outside; tests hand in their own.
struct WelcomeServices {
    Toolkit& toolkit = DefaultToolkit();
    RunTimeLibrary& runtime = DefaultRunTimeLibrary();
    Registry& registry = DefaultRegistry();
    Launcher& launcher = DefaultLauncher();
};

// The welcome window, the program's start-up window: one tip of the day from
// TIPOFDAY.TXT beside the program, the credits, OK to go on and System Info to
// start the system-information tool. OK (or Escape) closes the window and then
// emits accepted(); closed any other way, it emits rejected(). It is made with
// new and deletes itself when it is closed; nothing shows it again.
class frmTip : public QDialog {
    Q_OBJECT

public:
    // Lays out the window and runs Form_Load: the tip is chosen before the
    // window is first shown.
    explicit frmTip(const WelcomeServices& services = {}, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The controls, their places, fonts and colours (frmtip_layout.cpp).
    void LayOut();

    void Form_Load();
    void cmdOK_Click();
    void Command1_Click();

    void SetTipText(std::string_view text);

    WelcomeServices services_;
    TipOfDay tips_;
    QWidget* Picture1 = nullptr;
    QLabel* lblTipText = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* Command1 = nullptr;
};

} // namespace rainfall
