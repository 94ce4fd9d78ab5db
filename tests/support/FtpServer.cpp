#include "support/FtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QRegularExpression>
#include <chrono>
#include <stdexcept>

namespace qbtest {

namespace {

// Logs each received command as "<- COMMAND args" on stderr; no delay after a failed login.
// The endless listing is bounded all the same (200 MB), so the server always stops.
const char* const kServerScript = R"(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, BufferedIteratorProducer
from pyftpdlib.servers import FTPServer
logging.basicConfig(stream=sys.stderr, level=logging.DEBUG, format='%(message)s')
authorizer = DummyAuthorizer()
authorizer.add_user(sys.argv[2], sys.argv[3], sys.argv[1], perm='elradfmwMT')
class Handler(FTPHandler):
    authorizer = authorizer
    auth_failed_timeout = 0
def endless_nlst(self, path):
    def names():
        for n in range(100000):
            yield b''.join(b'survey%09d.dbf\r\n' % (n * 100 + i) for i in range(100))
    self.push_dtp_data(BufferedIteratorProducer(names()), isproducer=True, cmd='NLST')
    return path
if sys.argv[4] == 'endless':
    Handler.ftp_NLST = endless_nlst
server = FTPServer(('127.0.0.1', 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)";

// Reads one reply (its last line starts with three digits and a space); false on a closed
// connection or after the socket's time-out.
bool ReadReply(int socket)
{
    std::string line;
    char c = 0;
    while (::recv(socket, &c, 1, 0) == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        if (line.size() >= 4 && line[3] == ' ') return true;
        line.clear();
    }
    return false;
}

// Sends one command on a connection of its own and waits for the server's reply to it.
void SendAlone(std::uint16_t port, const std::string& command)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{10, 0};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const std::string line = command + "\r\n";
    const bool answered = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ReadReply(s) &&
                          ::send(s, line.data(), line.size(), MSG_NOSIGNAL) == ssize_t(line.size()) && ReadReply(s);
    ::close(s);
    if (!answered) throw std::runtime_error("The FTP server did not answer " + command);
}

}  // namespace

FtpServer::FtpServer(bool endlessListing)
{
    process_.start("/usr/bin/python3", {"-c", kServerScript, QString::fromStdString(home_.path().string()), User, Password,
                                        endlessListing ? "endless" : "finite"});
    if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(10000))
        throw std::runtime_error("The FTP server did not start: " + process_.readAllStandardError().toStdString());
    port_ = static_cast<std::uint16_t>(process_.readLine().trimmed().toUInt());
    if (port_ == 0) throw std::runtime_error("The FTP server gave no port.");
    process_.setReadChannel(QProcess::StandardError);  // the log
}

FtpServer::~FtpServer()
{
    process_.kill();
    process_.waitForFinished(5000);
}

std::string FtpServer::TakeCommands()
{
    const std::string mark = "XQBMARK " + std::to_string(++marks_);
    SendAlone(port_, mark);
    static const QRegularExpression received("<- (.*)$");
    std::string commands;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (true) {
        log_ += process_.readAllStandardError().toStdString();
        std::size_t end;
        while ((end = log_.find('\n')) != std::string::npos) {
            const QString line = QString::fromStdString(log_.substr(0, end)).trimmed();
            log_.erase(0, end + 1);
            const QRegularExpressionMatch match = received.match(line);
            if (!match.hasMatch()) continue;
            const std::string command = match.captured(1).toStdString();
            if (command == mark) return commands;
            commands += command + "\n";
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error("The FTP server's log did not show " + mark);
        process_.waitForReadyRead(int(left.count()));
    }
}

std::uint16_t ClosedPort()
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socket);
    return ntohs(address.sin_port);
}

}  // namespace qbtest
