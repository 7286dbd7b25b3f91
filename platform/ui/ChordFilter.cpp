#include "platform/ui/ChordFilter.h"

#include "platform/ui/Keys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

#include <algorithm>

namespace {

// QKeyEvent keeps its text in a protected member, which a derived class may name.
struct TKeyText : QKeyEvent {
    static constexpr QString QKeyEvent::*Member = &TKeyText::m_text;
};

class TChordFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            if (IsChord(*key) && std::any_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); }))
                key->*TKeyText::Member = QString(); // Ctrl+letter's control character stays
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void InstallChordFilter() {
    static QPointer<TChordFilter> installed; // goes with the application that owns it
    QCoreApplication* application = QCoreApplication::instance();
    Q_ASSERT(application != nullptr);
    if (installed != nullptr) return;
    installed = new TChordFilter(application);
    application->installEventFilter(installed);
}
