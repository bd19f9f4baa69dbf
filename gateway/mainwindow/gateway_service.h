#pragma once
// What the window and the headless runner share: the callback server
// 服务器1 wired to the handler, and the timer 时钟1 that refreshes the
// access token every ten minutes.
#include <QObject>
#include <QString>

class QTimer;

namespace gw {

class CallbackServer;

class GatewayService : public QObject {
    Q_OBJECT
public:
    static constexpr int kRefreshPeriodMs = 600000;

    explicit GatewayService(QObject* parent = nullptr);

    // Listens on every address at `port` (0: any free port) and starts the
    // timer. False, with the reason in `error`, when the port cannot be had.
    bool start(int port, QString* error);
    quint16 port() const;

    CallbackServer* server() const { return server_; }
    QTimer* timer() const { return timer_; }

private:
    CallbackServer* server_;
    QTimer* timer_;
};

} // namespace gw
