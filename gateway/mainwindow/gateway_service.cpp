#include "mainwindow/gateway_service.h"

#include "callback/callback_handler.h"
#include "platform/access_token.h"
#include "system/callback_server.h"

#include <QHostAddress>
#include <QTimer>

namespace gw {

GatewayService::GatewayService(QObject* parent)
    : QObject(parent), server_(new CallbackServer(this)), timer_(new QTimer(this)) {
    server_->setObjectName(QStringLiteral("服务器1"));
    timer_->setObjectName(QStringLiteral("时钟1"));
    timer_->setInterval(kRefreshPeriodMs);
    auto link = server_->link();
    server_->on_data_arrived([link](ClientId client, const std::string& bytes) {
        handle_callback(link, client, bytes);
    });
    connect(timer_, &QTimer::timeout, this, [] { refresh_access_token(timer_wording()); });
}

bool GatewayService::start(int port, QString* error) {
    if (!server_->listen(QHostAddress::Any, static_cast<quint16>(port))) {
        if (error) *error = server_->error_string();
        return false;
    }
    timer_->start();
    return true;
}

quint16 GatewayService::port() const { return server_->port(); }

} // namespace gw
