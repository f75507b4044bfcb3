#pragma once

#include "rainfall_sums.h"
#include "toolkit.h"

#include <QWidget>

namespace rainfall {

// The main calculation window.
class W : public QWidget {
    Q_OBJECT

public:
    explicit W(Toolkit& toolkit = DefaultToolkit(), QWidget* parent = nullptr);

private:
    Toolkit& toolkit_;
    RainfallSums sums_;
};

} // namespace rainfall
