// SIGINT and SIGTERM as window events: a player told to end from its
// terminal or by the system closes its window, so the sound is stopped and
// the wave output shut as when the window is closed by hand.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace zrc::player {

class QuitSignals : public QObject {
    Q_OBJECT

public:
    // Catches the two signals from now on, for the life of the object. One
    // object at a time.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

signals:
    // Emitted on the event thread, once per signal caught.
    void received();

private:
    static void handle(int signal);
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace zrc::player
