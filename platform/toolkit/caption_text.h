#pragma once

#include <QString>

class QLabel;

namespace rainfall {

// Label captions follow the classic rules: a single ampersand is not shown
// and underlines the character after it, two ampersands show one. A carriage
// return, a line feed or the two together start a new line.
//
// The caption as rich text that QLabel shows that way, with every space kept
// (a plain QLabel would show the ampersands, and rich text would otherwise
// fold runs of spaces into one).
QString CaptionRichText(const QString& caption);

// The caption as a person reads it: no ampersand marks, "\n" between lines.
QString CaptionShownText(const QString& caption);

// Gives `label` the caption, as rich text where plain text would show it
// otherwise, and names it for screen readers by the text it shows.
void SetCaption(QLabel* label, const QString& caption);

} // namespace rainfall
