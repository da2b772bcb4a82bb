#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (a logout, a plain `kill`), SIGINT (Ctrl+C in a terminal) and SIGHUP (the terminal
// closed) arrive through the event loop instead of ending the process where it stands: a save
// that has begun finishes, and its lock and temporary file go with it. The handler only writes
// the signal's number into a socket, which is async-signal-safe; the event loop reads it.
//
// One per process, made before anything else can install handlers: SDL, loaded later, leaves a
// handler that is not the default one alone.
class TerminationSignals final : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override; // the signals end the process again

signals:
    void received(int signalNumber);

private:
    void readSignals();

    QSocketNotifier *m_notifier = nullptr;
};
