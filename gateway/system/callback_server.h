#pragma once
// The callback TCP server. It lives on the thread that creates it (the
// event-loop thread), delivers one data-arrival event per complete HTTP
// request, and closes connections that grow too large or get no response
// in time. A connection carries one request, as the platform sends them:
// what follows it is read and dropped. `link()` hands out the send/disconnect side, usable from any
// thread and safe to keep after the server is gone.
#include "system/client_link.h"
#include "system/http_framing.h"

#include <QObject>
#include <QHash>
#include <QHostAddress>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace gw {

class CallbackServer : public QObject {
    Q_OBJECT
public:
    using DataArrived = std::function<void(ClientId client, const std::string& bytes)>;

    struct Limits {
        FramingLimits framing;
        std::chrono::milliseconds response_timeout{30000};
        int max_connections = 1024;
        // What all connections together may hold of requests not yet whole.
        size_t max_buffered = 64 * 1024 * 1024;
    };

    explicit CallbackServer(QObject* parent = nullptr);
    ~CallbackServer() override;

    void set_limits(const Limits& limits) { limits_ = limits; }
    void on_data_arrived(DataArrived handler) { handler_ = std::move(handler); }

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    QString error_string() const;

    std::shared_ptr<ClientLink> link() const;
    int open_connections() const { return static_cast<int>(clients_.size()); }

    // Called on the server's thread.
    void send_now(ClientId client, const std::string& bytes);
    void disconnect_now(ClientId client);

private:
    struct Client {
        QTcpSocket* socket = nullptr;
        std::chrono::steady_clock::time_point deadline;
        std::string buffer;
        size_t resume_at = 0;    // where framing goes on searching
        bool delivered = false;  // its one request has been handed over
    };
    class Link;

    void accept_pending();
    void read_from(ClientId id);
    void drop(ClientId id);
    void start_sweeping();
    void sweep();

    QTcpServer* server_;
    Limits limits_;
    DataArrived handler_;
    QTimer* sweep_;
    QHash<ClientId, Client> clients_;
    QHash<QTcpSocket*, std::chrono::steady_clock::time_point> closing_;  // sent, closing
    ClientId next_id_ = 1;
    size_t buffered_ = 0;  // sum of the clients' buffers
    std::shared_ptr<Link> link_;
};

} // namespace gw
