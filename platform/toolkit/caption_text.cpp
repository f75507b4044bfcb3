#include "platform/toolkit/caption_text.h"

#include <QLabel>

namespace rainfall {

namespace {

// Walks a caption and hands each shown piece to `take`: a character (two
// code units for one outside the basic plane) with whether it is underlined,
// or an empty piece for a line break.
template <typename Take> void WalkCaption(const QString& caption, Take take)
{
    const qsizetype length = caption.size();
    const auto isBreak = [&](qsizetype i) { return caption[i] == u'\r' || caption[i] == u'\n'; };
    const auto characterAt = [&](qsizetype i) {
        const bool pair =
            caption[i].isHighSurrogate() && i + 1 < length && caption[i + 1].isLowSurrogate();
        return QStringView(caption).mid(i, pair ? 2 : 1);
    };
    for (qsizetype i = 0; i < length; ++i) {
        if (isBreak(i)) {
            if (caption[i] == u'\r' && i + 1 < length && caption[i + 1] == u'\n')
                ++i;
            take(QStringView(), false);
        } else if (caption[i] != u'&') {
            take(QStringView(caption).mid(i, 1), false);
        } else if (i + 1 < length && caption[i + 1] == u'&') {
            take(QStringView(caption).mid(++i, 1), false);
        } else if (i + 1 < length && !isBreak(i + 1)) {
            const QStringView character = characterAt(i + 1);
            take(character, true);
            i += character.size();
        }
        // An ampersand at the end or before a line break marks nothing.
    }
}

// The caption as rich text that QLabel shows by the rules (a plain QLabel
// would show the ampersands, and rich text would otherwise fold runs of
// spaces into one).
QString CaptionRichText(const QString& caption)
{
    QString html = QStringLiteral("<span style=\"white-space:pre-wrap\">");
    WalkCaption(caption, [&html](QStringView piece, bool underlined) {
        if (piece.isEmpty()) {
            html += QStringLiteral("<br>");
            return;
        }
        if (underlined)
            html += QLatin1String("<u>");
        html += piece.toString().toHtmlEscaped();
        if (underlined)
            html += QLatin1String("</u>");
    });
    return html + QStringLiteral("</span>");
}

// The caption as a person reads it: no ampersand marks, "\n" between lines.
QString CaptionShownText(const QString& caption)
{
    QString shown;
    WalkCaption(caption, [&shown](QStringView piece, bool) {
        if (piece.isEmpty())
            shown += u'\n';
        else
            shown += piece;
    });
    return shown;
}

} // namespace

// A caption without ampersands or line breaks shows the same as plain text,
// which spares the label a rich-text document of its own.
void SetCaption(QLabel* label, const QString& caption)
{
    const bool plain =
        !caption.contains(u'&') && !caption.contains(u'\r') && !caption.contains(u'\n');
    label->setTextFormat(plain ? Qt::PlainText : Qt::RichText);
    label->setText(plain ? caption : CaptionRichText(caption));
    label->setAccessibleName(CaptionShownText(caption));
}

} // namespace rainfall
