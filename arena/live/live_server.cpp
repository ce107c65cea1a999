#include "arena/live/live_server.h"

#include <civetweb.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <variant>

#include "arena/live/token.h"

namespace arena {

struct LiveServer::Shared {
    LiveHub& hub;
    std::string page;
    std::string token;
    std::string origin;  // http://127.0.0.1:PORT, once the port is known
    std::atomic<int> pages{0};
};

namespace {

using Shared = LiveServer::Shared;

// One page's live connection: its sender thread and the keys it holds down,
// let go when the page goes so that no key stays held for ever.
struct Page {
    explicit Page(mg_connection* c) : conn(c) {}
    mg_connection* conn;
    std::thread sender;
    std::atomic<bool> closing{false};
    std::set<std::pair<std::string, int>> held;  // touched on the connection's thread only
};

void log(const std::string& what) { std::fprintf(stderr, "arena: live view: %s\n", what.c_str()); }

bool token_ok(const mg_connection* conn, const Shared& s) {
    const mg_request_info* ri = mg_get_request_info(conn);
    if (!ri->query_string) return false;
    char given[80];
    if (mg_get_var(ri->query_string, std::strlen(ri->query_string), "token", given, sizeof given) <= 0) return false;
    return same_token(given, s.token);
}

int serve_page(mg_connection* conn, void* data) {
    const Shared& s = *static_cast<Shared*>(data);
    const mg_request_info* ri = mg_get_request_info(conn);
    if (std::strcmp(ri->local_uri, "/") != 0) {
        mg_send_http_error(conn, 404, "%s", "Not found\n");
        return 404;
    }
    if (!token_ok(conn, s)) {
        mg_send_http_error(conn, 403, "%s", "This page needs the token that arena printed with its address.\n");
        return 403;
    }
    const std::string csp =
        "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; img-src data: "
        "blob:; connect-src ws://" +
        s.origin.substr(std::strlen("http://"));
    mg_printf(conn,
              "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: %zu\r\n"
              "Cache-Control: no-store\r\nReferrer-Policy: no-referrer\r\nContent-Security-Policy: %s\r\n"
              "Connection: close\r\n\r\n",
              s.page.size(), csp.c_str());
    mg_write(conn, s.page.data(), s.page.size());
    return 200;
}

// A live connection needs the token, and a browser's must come from the
// page itself: a page of another site in the same browser is refused.
int accept_page(const mg_connection* conn, void* data) {
    Shared& s = *static_cast<Shared*>(data);
    if (!token_ok(conn, s)) {
        log("refused a live connection without the token");
        return 1;
    }
    const char* origin = mg_get_header(conn, "Origin");
    if (origin && s.origin != origin) {
        log(std::string("refused a live connection from another origin (") + std::string(origin).substr(0, 100) + ")");
        return 1;
    }
    if (s.pages.fetch_add(1) >= LiveServer::kMaxPages) {
        s.pages.fetch_sub(1);
        log("refused a live connection: " + std::to_string(LiveServer::kMaxPages) + " pages watch already");
        return 1;
    }
    return 0;
}

bool send_text(mg_connection* conn, const std::string& text) {
    mg_lock_connection(conn);
    const int n = mg_websocket_write(conn, MG_WEBSOCKET_OPCODE_TEXT, text.data(), text.size());
    mg_unlock_connection(conn);
    return n > 0;
}

void send_frames(Page& page, LiveHub& hub) {
    if (!send_text(page.conn, hub.hello())) return;
    std::uint64_t seq = 0, lost = 0;
    while (!page.closing && !hub.closed()) {
        std::vector<std::string> frames = hub.frames_after(seq, std::chrono::milliseconds(200), lost);
        if (frames.empty()) continue;
        std::string batch = "{\"type\":\"frames\",\"lost\":" + std::to_string(lost) + ",\"frames\":[";
        for (std::size_t i = 0; i < frames.size(); ++i) (batch += i ? "," : "") += frames[i];
        batch += "]}";
        if (!send_text(page.conn, batch)) return;
    }
}

void page_ready(mg_connection* conn, void* data) {
    Shared& s = *static_cast<Shared*>(data);
    auto* page = new Page(conn);
    mg_set_user_connection_data(conn, page);
    s.hub.page_opened();
    page->sender = std::thread(send_frames, std::ref(*page), std::ref(s.hub));
}

int page_message(mg_connection* conn, int bits, char* text, std::size_t size, void* data) {
    Shared& s = *static_cast<Shared*>(data);
    const int opcode = bits & 0xf;
    if (opcode == MG_WEBSOCKET_OPCODE_CONNECTION_CLOSE) return 0;
    if (opcode != MG_WEBSOCKET_OPCODE_TEXT) return 1;  // pings and pongs are civetweb's
    auto* page = static_cast<Page*>(mg_get_user_connection_data(conn));
    auto parsed = parse_page_message(std::string_view(text, size));
    if (const std::string* why = std::get_if<std::string>(&parsed)) {
        log("dropped a message from a page: " + *why);
        return 1;
    }
    PageCommand& c = std::get<PageCommand>(parsed);
    if (page && c.kind == PageCommandKind::key_down) page->held.insert({c.robot, c.code});
    if (page && c.kind == PageCommandKind::key_up) page->held.erase({c.robot, c.code});
    if (!s.hub.command(std::move(c))) log("dropped a message from a page: too many at once");
    return 1;
}

void page_closed(const mg_connection* conn, void* data) {
    Shared& s = *static_cast<Shared*>(data);
    auto* page = static_cast<Page*>(mg_get_user_connection_data(conn));
    if (!page) return;  // never became ready
    page->closing = true;
    page->sender.join();
    for (const auto& [robot, code] : page->held) {
        PageCommand up{PageCommandKind::key_up};
        up.robot = robot;
        up.code = code;
        s.hub.command(std::move(up));
    }
    s.hub.page_closed();
    s.pages.fetch_sub(1);
    delete page;
}

int quiet_log(const mg_connection*, const char* message) {
    log(message);
    return 1;
}

}  // namespace

LiveServer::LiveServer(LiveHub& hub, std::string page_html, int port)
    : shared_(new Shared{hub, std::move(page_html), new_token(), {}, {}}) {
    mg_init_library(0);
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const char* options[] = {
        "listening_ports",      listen.c_str(), "num_threads", "16", "enable_websocket_ping_pong", "yes",
        "websocket_timeout_ms", "2000",         nullptr};
    mg_callbacks callbacks{};
    callbacks.log_message = quiet_log;
    ctx_ = mg_start(&callbacks, nullptr, options);
    if (!ctx_) throw std::runtime_error("the live view cannot listen on 127.0.0.1:" + std::to_string(port));
    mg_server_port ports[1]{};
    if (mg_get_server_ports(ctx_, 1, ports) < 1 || ports[0].port <= 0) {
        mg_stop(ctx_);
        throw std::runtime_error("the live view's port is unknown");
    }
    port_ = ports[0].port;
    shared_->origin = "http://127.0.0.1:" + std::to_string(port_);
    mg_set_request_handler(ctx_, "/", serve_page, shared_.get());
    mg_set_websocket_handler(ctx_, "/live", accept_page, page_ready, page_message, page_closed, shared_.get());
}

LiveServer::~LiveServer() {
    shared_->hub.close();
    mg_stop(ctx_);
}

std::string LiveServer::url() const { return shared_->origin + "/?token=" + shared_->token; }

}  // namespace arena
