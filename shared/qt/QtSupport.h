#pragma once
// Small bridges between the form layer's plain C++ and Qt: UTF-8 texts, file paths in the
// system's encoding, and an event filter made from a function.
#include <QFile>
#include <QObject>
#include <QString>
#include <functional>
#include <string>

namespace qtui {

// Runs one form handler at the event boundary (errors shown, the program carries on).
using EventRunner = std::function<void(const std::function<void()>&)>;

inline QString ToQString(const std::string& text) { return QString::fromStdString(text); }
inline std::string ToStdString(const QString& text) { return text.toStdString(); }
inline QString PathToQString(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
inline std::string PathToStdString(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// A label caption as shown: "&x" marks an access key (the "&" is not shown), "&&" is "&".
QString WithoutAccessKeys(const std::string& caption);

// A tool tip that shows the text as written, even where it looks like markup ("<b>" in a
// file name), keeping its line breaks.
QString PlainToolTip(const std::string& hint);

// Calls a function for each event of the object it is installed on; true consumes the event.
class EventHook : public QObject {
public:
    EventHook(QObject* watched, std::function<bool(QEvent*)> onEvent)
        : QObject(watched), onEvent_(std::move(onEvent)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return onEvent_(event); }

private:
    std::function<bool(QEvent*)> onEvent_;
};

}  // namespace qtui
