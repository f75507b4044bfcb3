#pragma once

#include "platform/toolkit/toolkit.h"
#include "stats/rainfall_sums.h"

#include <QWidget>

#include <cstdint>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace rainfall {

// The main calculation window. The user types a precipitation value and the
// area of its gauge's Thiessen polygon, accepts the pair, repeats for every
// gauge and asks for the results: the number of values, the arithmetic mean,
// the standard deviation, the area-weighted (Thiessen) mean and the sum of the
// areas. The window keeps only the running sums of the accepted pairs.
class W : public QWidget {
    Q_OBJECT

public:
    explicit W(Toolkit& toolkit = DefaultToolkit(), QWidget* parent = nullptr);

    // Types each pair of precipitation and area into the fields and accepts
    // it, as the user would, then computes when two or more were accepted.
    // Returns how many were.
    int AcceptPairs(const std::vector<std::pair<QString, QString>>& pairs);
    // As another window's helper, Exit closes only this window; in a
    // program of its own it ends the program.
    void SetExitClosesWindow(bool closes) { exitClosesWindow_ = closes; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls, their places, fonts and colours (w_layout.cpp).
    void LayOut();

    // The commands of the four buttons.
    void cmdAccept_Click();
    void cmdCompute_Click();
    void cmdNew_Click();
    void CcmdExit_Click();

    // The key filters of the entry fields: KeyAscii is the typed character's
    // code; set to 0, the character is discarded before the field sees it.
    void txtInput1_KeyPress(std::int16_t& KeyAscii);
    void txtinput2_KeyPress(std::int16_t& KeyAscii);

    bool TakePair();
    void ReportMissingWeightedMean(float SumOfAreas);

    Toolkit& toolkit_;
    RainfallSums sums_;
    bool exitClosesWindow_ = false;

    QLineEdit* txtInput1 = nullptr;
    QLineEdit* txtinput2 = nullptr;
    QLabel* lblNumber = nullptr;
    QLabel* lblMean = nullptr;
    QLabel* lblStdDev = nullptr;
    QLabel* lblMean1 = nullptr;
    QLabel* lblArea = nullptr;
    QPushButton* cmdAccept = nullptr;
    QPushButton* cmdCompute = nullptr;
    QPushButton* cmdNew = nullptr;
    QPushButton* CcmdExit = nullptr;
};

} // namespace rainfall
