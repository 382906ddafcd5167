// The platform seam implemented with Qt: tones through the sound system, message boxes,
// cursors, status texts, redraws and value dialogs.
#pragma once

#include <QCursor>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "model/platform.h"

class QAudioSink;
class QBuffer;

namespace rz {

// Plays 80 ms tones without blocking: the samples are handed to an audio sink that plays
// them from the event loop. Without an audio output device it stays silent.
class TonePlayer : public QObject {
public:
    explicit TonePlayer(QObject* parent = nullptr);
    ~TonePlayer() override;
    void play(int hz);
    bool hasDevice() const { return available_; }
    int played() const { return played_; }

private:
    void stop();
    bool available_ = false;
    bool probed_ = false;
    int played_ = 0;
    QAudioSink* sink_ = nullptr;
    QBuffer* buffer_ = nullptr;
};

// Cursor images of the program: the standard arrow, the wait cursor and one per kind of
// tool mode.
QCursor cursorFor(CursorKind kind);

class QtPlatform : public Platform {
public:
    explicit QtPlatform(QWidget* window);

    void tone(int hz) override;
    bool ask(const std::string& text) override;
    void warn(const std::string& text) override;
    void notice(const std::string& text) override;
    void setCursor(CursorKind kind) override;
    void setBusy(bool on) override;
    void setPrompt(const std::string& text) override;
    void setStatus(int pane, const std::string& text) override;
    void requestRedraw() override;
    bool valueDialog(const std::string& title, std::vector<ValueField>& fields) override;
    bool formDialog(const std::string& title, std::vector<FormField>& fields) override;
    bool askCaption(const std::string& caption, const std::string& text) override;
    void noticeCaption(const std::string& caption, const std::string& text) override;
    int choose(const std::string& title, const std::vector<std::string>& options) override;
    // The printers of the print system (Qt Print Support), the default one first.
    std::vector<PrinterInfo> printers() override;

    // Where prompts, status texts, cursors and redraws go.
    std::function<void(int pane, const QString& text)> statusSink;
    QPointer<QWidget> drawing;
    // Told before every redraw request: the drawing window repaints its back buffer then.
    std::function<void()> onRedraw;
    CursorKind cursor() const { return cursor_; }
    TonePlayer& tones() { return *tones_; }

private:
    QPointer<QWidget> window_;
    std::unique_ptr<TonePlayer> tones_;
    CursorKind cursor_ = CursorKind::Arrow;
    int busy_ = 0;
    int busyByCursor_ = 0;
};

}  // namespace rz
