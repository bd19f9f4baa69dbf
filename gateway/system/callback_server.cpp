#include "system/callback_server.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <mutex>
#include <vector>

namespace gw {

// The any-thread side. It holds the server weakly: once the server is gone,
// send and disconnect find nobody and do nothing.
class CallbackServer::Link : public ClientLink {
public:
    explicit Link(CallbackServer* server) : server_(server) {}

    void send(ClientId client, std::string bytes) override {
        std::lock_guard lock(mutex_);
        if (!server_) return;
        if (QThread::currentThread() == server_->thread()) {
            server_->send_now(client, bytes);
            return;
        }
        // Queued calls from one thread run in the order they were made, so a
        // send followed by a disconnect keeps its order.
        QMetaObject::invokeMethod(server_, [s = server_, client, b = std::move(bytes)] {
            if (s) s->send_now(client, b);
        }, Qt::QueuedConnection);
    }

    void disconnect(ClientId client) override {
        std::lock_guard lock(mutex_);
        if (!server_) return;
        if (QThread::currentThread() == server_->thread()) {
            server_->disconnect_now(client);
            return;
        }
        QMetaObject::invokeMethod(server_, [s = server_, client] {
            if (s) s->disconnect_now(client);
        }, Qt::QueuedConnection);
    }

    void forget() {
        std::lock_guard lock(mutex_);
        server_ = nullptr;
    }

private:
    std::mutex mutex_;
    QPointer<CallbackServer> server_;
};

CallbackServer::CallbackServer(QObject* parent)
    : QObject(parent), server_(new QTcpServer(this)), sweep_(new QTimer(this)), link_(std::make_shared<Link>(this)) {
    connect(server_, &QTcpServer::newConnection, this, &CallbackServer::accept_pending);
    connect(sweep_, &QTimer::timeout, this, &CallbackServer::sweep);
}

CallbackServer::~CallbackServer() {
    link_->forget();
    for (auto& client : clients_) {
        client.socket->disconnect(this);
        client.socket->abort();
    }
    for (auto it = closing_.begin(); it != closing_.end(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
    }
}

bool CallbackServer::listen(const QHostAddress& address, quint16 port) {
    return server_->listen(address, port);
}

std::shared_ptr<ClientLink> CallbackServer::link() const { return link_; }

quint16 CallbackServer::port() const { return server_->serverPort(); }

QString CallbackServer::error_string() const { return server_->errorString(); }

void CallbackServer::accept_pending() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        if (clients_.size() >= limits_.max_connections) {
            // Full: turn the newcomer away rather than let one peer starve
            // the others of the connections they hold.
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const ClientId id = next_id_++;
        Client client;
        client.socket = socket;
        client.deadline = std::chrono::steady_clock::now() + limits_.response_timeout;
        clients_.insert(id, std::move(client));
        start_sweeping();
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { read_from(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] { drop(id); });
    }
}

void CallbackServer::read_from(ClientId id) {
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    QByteArray data = it->socket->readAll();
    if (it->delivered) return;  // one request a connection; the rest is dropped
    it->buffer.append(data.constData(), static_cast<size_t>(data.size()));
    buffered_ += static_cast<size_t>(data.size());
    Framing framing = frame_http_request(it->buffer, limits_.framing, it->resume_at);
    it->resume_at = framing.resume_at;
    if (framing.state == Framing::State::too_large ||
        (framing.state == Framing::State::incomplete && buffered_ > limits_.max_buffered)) {
        drop(id);
        return;
    }
    if (framing.state == Framing::State::incomplete) return;
    std::string request = std::move(it->buffer);
    buffered_ -= request.size();
    it->buffer = std::string();
    it->delivered = true;
    request.resize(framing.length);
    try {
        if (handler_) handler_(id, request);
    } catch (...) {
        // Nothing may escape into the event loop; the deadline closes the
        // connection if the handler left it open.
    }
}

void CallbackServer::send_now(ClientId client, const std::string& bytes) {
    auto it = clients_.find(client);
    if (it == clients_.end()) return;
    it->socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Out now rather than on the next turn of the event loop.
    it->socket->flush();
}

void CallbackServer::disconnect_now(ClientId client) {
    auto it = clients_.find(client);
    if (it == clients_.end()) return;
    QTcpSocket* socket = it->socket;
    buffered_ -= it->buffer.size();
    clients_.erase(it);
    socket->disconnect(this);
    // Sends what is still queued, then closes.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        closing_.remove(socket);
        socket->deleteLater();
    });
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->disconnect(this);
        socket->deleteLater();
        return;
    }
    // A peer that stops reading would keep the socket closing forever.
    closing_.insert(socket, std::chrono::steady_clock::now() + limits_.response_timeout);
    start_sweeping();
}

// One timer for every deadline: a timer per connection costs more than the
// request itself.
void CallbackServer::start_sweeping() {
    if (sweep_->isActive()) return;
    auto period = std::clamp(limits_.response_timeout / 4, std::chrono::milliseconds(10),
                             std::chrono::milliseconds(1000));
    sweep_->start(period);
}

void CallbackServer::sweep() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<ClientId> expired;
    for (auto it = clients_.cbegin(); it != clients_.cend(); ++it)
        if (it->deadline <= now) expired.push_back(it.key());
    for (ClientId id : expired) drop(id);
    for (auto it = closing_.begin(); it != closing_.end();) {
        if (it.value() <= now) {
            QTcpSocket* socket = it.key();
            it = closing_.erase(it);
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
        } else {
            ++it;
        }
    }
    if (clients_.isEmpty() && closing_.isEmpty()) sweep_->stop();
}

void CallbackServer::drop(ClientId id) {
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    QTcpSocket* socket = it->socket;
    buffered_ -= it->buffer.size();
    clients_.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

} // namespace gw
