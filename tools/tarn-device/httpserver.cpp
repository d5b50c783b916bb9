#include "httpserver.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono;

namespace tarn::emu {

namespace {

constexpr std::size_t kMaxHeader = 16 * 1024;
constexpr std::size_t kMaxBody = 64 * 1024;
constexpr std::size_t kMaxConnections = 1024;
constexpr seconds kRequestTime {10};  // from connection or last reply to a complete request

const char *reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

std::string lower(std::string s)
{
    for (char &c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string &s)
{
    const std::size_t b = s.find_first_not_of(" \t");
    const std::size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

} // namespace

std::string HttpServer::Request::header(const std::string &name) const
{
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

HttpServer::~HttpServer()
{
    for (const Listener &l : m_listeners)
        ::close(l.fd);
    for (const Connection &c : m_connections)
        ::close(c.fd);
}

int HttpServer::listen(const std::string &address, int port, int owner, std::string *error)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_port = htons(std::uint16_t(port));
    if (inet_pton(AF_INET, address.c_str(), &at.sin_addr) != 1 || bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0
        || ::listen(fd, 64) != 0) {
        if (error)
            *error = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    socklen_t length = sizeof at;
    getsockname(fd, reinterpret_cast<sockaddr *>(&at), &length);
    m_listeners.push_back({fd, owner});
    return ntohs(at.sin_port);
}

void HttpServer::close(int owner)
{
    for (auto it = m_listeners.begin(); it != m_listeners.end();) {
        if (it->owner == owner) {
            ::close(it->fd);
            it = m_listeners.erase(it);
        } else {
            ++it;
        }
    }
    for (Connection &c : m_connections) {
        if (c.owner == owner && !c.replying) {
            ::close(c.fd);
            c.fd = -1;
        }
    }
    m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(), [](const Connection &c) { return c.fd < 0; }),
                        m_connections.end());
}

void HttpServer::fill(std::vector<pollfd> &fds)
{
    const Clock::time_point now = Clock::now();
    for (const Listener &l : m_listeners)
        fds.push_back({l.fd, POLLIN, 0});
    for (const Connection &c : m_connections) {
        short events = c.replying ? 0 : POLLIN;
        if (c.replying && now >= c.due)
            events |= POLLOUT;
        fds.push_back({c.fd, events, 0});
    }
}

void HttpServer::serve(const pollfd *fds, std::size_t count)
{
    const std::size_t listeners = m_listeners.size(), connections = m_connections.size();
    if (count != listeners + connections)
        return;  // the sets changed since fill(); the next round catches up
    for (std::size_t k = 0; k < connections; ++k) {
        Connection &c = m_connections[k];
        const short got = fds[listeners + k].revents;
        if (!got)
            continue;
        bool keep = true;
        if (got & (POLLERR | POLLHUP | POLLNVAL))
            keep = (got & POLLIN) && readFrom(c);
        else if (got & POLLIN)
            keep = readFrom(c);
        if (keep && (got & POLLOUT))
            keep = writeTo(c);
        if (!keep) {
            ::close(c.fd);
            c.fd = -1;
        }
    }
    m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(), [](const Connection &c) { return c.fd < 0; }),
                        m_connections.end());
    std::vector<Listener> ready;
    for (std::size_t k = 0; k < listeners; ++k) {
        if (fds[k].revents & POLLIN)
            ready.push_back(m_listeners[k]);
    }
    for (const Listener &l : ready)
        accept(l);
    std::vector<std::function<void()>> afterward;
    afterward.swap(m_afterward);
    for (auto &action : afterward)
        action();  // may close listeners and open others
}

HttpServer::Clock::time_point HttpServer::tick()
{
    const Clock::time_point now = Clock::now();
    Clock::time_point next = now + seconds(1);
    for (Connection &c : m_connections) {
        if (!c.replying && now > c.deadline) {
            ::close(c.fd);
            c.fd = -1;
        } else if (c.replying && c.due > now) {
            next = std::min(next, c.due);
        }
    }
    m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(), [](const Connection &c) { return c.fd < 0; }),
                        m_connections.end());
    return next;
}

void HttpServer::accept(const Listener &listener)
{
    for (int n = 0; n < 64; ++n) {
        const int fd = accept4(listener.fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        if (m_connections.size() >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        Connection c;
        c.fd = fd;
        c.owner = listener.owner;
        c.deadline = Clock::now() + kRequestTime;
        m_connections.push_back(std::move(c));
    }
}

bool HttpServer::readFrom(Connection &c)
{
    char buffer[8192];
    for (;;) {
        const ssize_t got = recv(c.fd, buffer, sizeof buffer, 0);
        if (got == 0)
            return c.replying;  // the peer is done sending; a pending reply still goes out
        if (got < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        if (c.replying)
            continue;  // no pipelining: what comes before the reply is read and dropped
        c.in.append(buffer, std::size_t(got));
        if (c.in.size() > kMaxHeader + kMaxBody) {
            finish(c, 413, "too large");
            return true;
        }
        if (!parse(c))
            return true;
    }
}

bool HttpServer::parse(Connection &c)
{
    const std::size_t end = c.in.find("\r\n\r\n");
    if (end == std::string::npos) {
        if (c.in.size() > kMaxHeader)
            finish(c, 413, "header too large");
        return !c.replying;
    }
    Request request;
    std::size_t line = c.in.find("\r\n");
    const std::string first = c.in.substr(0, line);
    const std::size_t s1 = first.find(' '), s2 = first.rfind(' ');
    if (s1 == std::string::npos || s2 == s1) {
        finish(c, 400, "bad request line");
        return false;
    }
    request.method = first.substr(0, s1);
    request.path = first.substr(s1 + 1, s2 - s1 - 1);
    while (line < end) {
        const std::size_t next = c.in.find("\r\n", line + 2);
        const std::string h = c.in.substr(line + 2, next - line - 2);
        const std::size_t colon = h.find(':');
        if (colon != std::string::npos && request.headers.size() < 64)
            request.headers[lower(trim(h.substr(0, colon)))] = trim(h.substr(colon + 1));
        line = next;
    }
    if (!request.header("transfer-encoding").empty()) {
        finish(c, 411, "a length is required");
        return false;
    }
    const std::string lengthText = request.header("content-length");
    std::size_t length = 0;
    if (!lengthText.empty()) {
        if (lengthText.size() > 7 || lengthText.find_first_not_of("0123456789") != std::string::npos) {
            finish(c, 400, "bad length");
            return false;
        }
        length = std::stoul(lengthText);
    }
    if (length > kMaxBody) {
        finish(c, 413, "too large");
        return false;
    }
    if (c.in.size() < end + 4 + length)
        return true;  // more to come
    request.body = c.in.substr(end + 4, length);
    c.in.erase(0, end + 4 + length);
    const bool closeAfter = lower(request.header("connection")) == "close";
    Reply reply = m_handler(c.owner, request);
    if (reply.drop) {
        if (reply.after)
            m_afterward.push_back(std::move(reply.after));
        c.closeAfter = true;
        c.replying = true;
        c.out.clear();
        c.sent = 0;
        c.due = Clock::now() + reply.delay;
        return false;
    }
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) + "\r\n";
    for (const auto &[name, value] : reply.headers)
        out += name + ": " + value + "\r\n";
    out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    if (closeAfter)
        out += "Connection: close\r\n";
    out += "\r\n" + reply.body;
    c.out = std::move(out);
    c.sent = 0;
    c.replying = true;
    c.closeAfter = closeAfter;
    c.due = Clock::now() + reply.delay;
    c.after = std::move(reply.after);
    return false;
}

void HttpServer::finish(Connection &c, int status, const std::string &text)
{
    c.out = "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\nContent-Length: " + std::to_string(text.size())
        + "\r\nConnection: close\r\n\r\n" + text;
    c.sent = 0;
    c.replying = true;
    c.closeAfter = true;
    c.due = Clock::now();
    c.in.clear();
}

bool HttpServer::writeTo(Connection &c)
{
    while (c.sent < c.out.size()) {
        const ssize_t n = send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        c.sent += std::size_t(n);
    }
    c.replying = false;
    c.out.clear();
    c.sent = 0;
    c.deadline = Clock::now() + kRequestTime;
    if (c.after) {
        m_afterward.push_back(std::move(c.after));
        c.after = nullptr;
    }
    if (c.closeAfter)
        return false;
    parse(c);  // a request that came in meanwhile
    return true;
}

} // namespace tarn::emu
