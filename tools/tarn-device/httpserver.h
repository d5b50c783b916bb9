#pragma once

// A small HTTP/1.1 server for the emulated ONVIF devices: many listening sockets (one per
// device) and their connections on one thread, driven by the caller's poll loop. Requests are
// bounded in size and time; a reply can be held back (--delay-ms) or dropped (--loss), and can
// carry an action that runs once it has been written (a device that moves after answering).

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <poll.h>

namespace tarn::emu {

class HttpServer
{
public:
    using Clock = std::chrono::steady_clock;

    struct Request
    {
        std::string method, path, body;
        std::map<std::string, std::string> headers;  // names in lower case
        std::string header(const std::string &name) const;
    };
    struct Reply
    {
        int status = 200;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        std::function<void()> after;  // once written
        bool drop = false;            // close without answering
        Clock::duration delay {};
    };
    using Handler = std::function<Reply(int owner, const Request &request)>;

    explicit HttpServer(Handler handler) : m_handler(std::move(handler)) {}
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Listens for `owner` at address:port (port 0: any free one); the port, or -1 with `error`.
    int listen(const std::string &address, int port, int owner, std::string *error);
    // Stops listening for `owner` and drops its connections.
    void close(int owner);

    // The descriptors to poll, appended to `fds`; then serve() with the same slice after poll.
    void fill(std::vector<pollfd> &fds);
    void serve(const pollfd *fds, std::size_t count);
    // Sends held-back replies and drops idle or overlong connections; the next moment it needs.
    Clock::time_point tick();

private:
    struct Listener
    {
        int fd, owner;
    };
    struct Connection
    {
        int fd = -1, owner = -1;
        std::string in, out;
        std::size_t sent = 0;
        bool replying = false, closeAfter = false;
        Clock::time_point due {}, deadline {};
        std::function<void()> after;
    };

    void accept(const Listener &listener);
    bool readFrom(Connection &c);   // false: close it
    bool writeTo(Connection &c);
    bool parse(Connection &c);
    void finish(Connection &c, int status, const std::string &text);

    Handler m_handler;
    std::vector<Listener> m_listeners;
    std::vector<Connection> m_connections;
    std::vector<std::function<void()>> m_afterward;  // run once serve() is done with its slice
};

} // namespace tarn::emu
