#pragma once
// What the core needs of the callback server: send bytes to one connected
// client and close it. Both may be called from any thread; a client that is
// gone is not found and nothing happens.
#include <cstdint>
#include <memory>
#include <string>

namespace gw {

using ClientId = std::uint64_t;

class ClientLink {
public:
    virtual ~ClientLink() = default;
    virtual void send(ClientId client, std::string bytes) = 0;
    virtual void disconnect(ClientId client) = 0;
};

} // namespace gw
