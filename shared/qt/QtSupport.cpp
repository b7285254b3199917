#include "QtSupport.h"

#include <QTextDocument>

#include "Interaction.h"

namespace qtui {

QString WithoutAccessKeys(const std::string& caption) {
    std::string shown;
    shown.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        shown += caption[i];
    }
    return ToQString(shown);
}

QString PlainToolTip(const std::string& hint) {
    // Hints break their lines with a lone carriage return, which a tooltip would not show.
    QString text = ToQString(ui::WithNewlines(hint));
    if (!Qt::mightBeRichText(text)) return text;
    return "<p style='white-space:pre'>" + text.toHtmlEscaped() + "</p>";
}

}  // namespace qtui
