#pragma once

#include <QString>

class QLabel;

namespace rainfall {

// Gives `label` its caption. In a caption a single ampersand is not shown and
// underlines the character after it, two ampersands show one; a carriage
// return, a line feed or the two together start a new line; every space is
// kept. The label is named for screen readers by the text it shows.
void SetCaption(QLabel* label, const QString& caption);

} // namespace rainfall
