// The live view's server: the page and its live connection, on the loopback
// address only, behind the run's token, on civetweb's own threads. Each page
// gets a sender thread of its own that takes frames from the hub, so a slow
// page gets fewer frames and never slows the run or the other pages.
#ifndef ARENA_LIVE_LIVE_SERVER_H
#define ARENA_LIVE_LIVE_SERVER_H

#include <memory>
#include <string>

#include "arena/live/live_hub.h"

struct mg_context;

namespace arena {

class LiveServer {
public:
    static constexpr int kMaxPages = 8;

    // Listens on 127.0.0.1:port (0: any free port). Throws
    // std::runtime_error naming the port if it cannot.
    LiveServer(LiveHub& hub, std::string page_html, int port);
    ~LiveServer();  // ends every page's connection and closes the port
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    int port() const { return port_; }
    std::string url() const;

    struct Shared;  // what civetweb's callbacks reach

private:
    std::unique_ptr<Shared> shared_;
    mg_context* ctx_ = nullptr;
    int port_ = 0;
};

}  // namespace arena

#endif
