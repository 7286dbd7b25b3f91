#pragma once
// Records the library's message boxes (caption|text) for the lifetime of the recorder.

#include "desktop/qvxFormUtils.h"

#include <QStringList>

class TMessageRecorder {
public:
    TMessageRecorder() {
        previous_ = qvxSetMessageSink(
            [this](const QString& caption, const QString& text) { Messages << caption + "|" + text; });
    }
    ~TMessageRecorder() { qvxSetMessageSink(previous_); }
    TMessageRecorder(const TMessageRecorder&) = delete;
    TMessageRecorder& operator=(const TMessageRecorder&) = delete;

    QStringList Messages;

private:
    TqvxMessageSink previous_;
};
