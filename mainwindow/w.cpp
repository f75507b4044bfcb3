#include "w.h"

namespace rainfall {

W::W(Toolkit& toolkit, QWidget* parent) : QWidget(parent), toolkit_(toolkit)
{
    setObjectName("W");
    setWindowTitle("Average Rainfall by Dadazezez Azuveze Duvuvi");
}

} // namespace rainfall
