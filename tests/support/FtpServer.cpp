#include "support/FtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QRegularExpression>
#include <stdexcept>

namespace qbtest {

namespace {

// Logs each received command as "<- COMMAND args" on stderr; no delay after a failed login.
const char* const kServerScript = R"(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(stream=sys.stderr, level=logging.DEBUG, format='%(message)s')
authorizer = DummyAuthorizer()
authorizer.add_user(sys.argv[2], sys.argv[3], sys.argv[1], perm='elradfmwMT')
class Handler(FTPHandler):
    authorizer = authorizer
    auth_failed_timeout = 0
server = FTPServer(('127.0.0.1', 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)";

}  // namespace

FtpServer::FtpServer()
{
    process_.start("/usr/bin/python3", {"-c", kServerScript, QString::fromStdString(home_.path().string()), User, Password});
    if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(10000))
        throw std::runtime_error("The FTP server did not start: " + process_.readAllStandardError().toStdString());
    port_ = static_cast<std::uint16_t>(process_.readLine().trimmed().toUInt());
    if (port_ == 0) throw std::runtime_error("The FTP server gave no port.");
}

FtpServer::~FtpServer()
{
    process_.kill();
    process_.waitForFinished(5000);
}

std::string FtpServer::TakeCommands()
{
    process_.waitForReadyRead(100);  // the last reply may still be on its way
    static const QRegularExpression received("<- (.*)$");
    std::string commands;
    for (const QString& line : QString::fromUtf8(process_.readAllStandardError()).split('\n')) {
        const QRegularExpressionMatch match = received.match(line.trimmed());
        if (match.hasMatch()) commands += match.captured(1).toStdString() + "\n";
    }
    return commands;
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
