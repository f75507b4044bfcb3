#include "thiessenwindow/model/rainfall_text.h"

#include "errors/runtime_error.h"
#include "stats/number_text.h"
#include "stats/single.h"

#include <QRegularExpression>

namespace rainfall {

RainfallText ReadRainfall(const QString& text)
{
    QString compact;
    for (QChar c : text)
        if (!(c.unicode() < 0x80 && IsBlank(char(c.unicode()))))
            compact += c;
    if (compact.isEmpty())
        return {true, {}, {}};
    static const QRegularExpression number(R"(^-?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$)");
    const QString notANumber =
        QString("\"%1\" is not a number. Type the rainfall in digits, with a full stop (.) "
                "as the decimal point, for example 12.5.")
            .arg(text);
    if (!number.match(compact).hasMatch())
        return {false, {}, notANumber};
    try {
        return {false, ToSingle(ParseValue(compact.toStdString())), {}};
    } catch (const RuntimeError&) {
        return {
            false, {}, QString("\"%1\" is too large for the program to hold.").arg(text.trimmed())};
    }
}

} // namespace rainfall
