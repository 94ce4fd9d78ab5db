#pragma once
// A real FTP server for tests: python3-pyftpdlib on 127.0.0.1, one account whose login folder
// is a fresh temporary folder. Its log lists every command the server received.
#include <QProcess>
#include <cstdint>
#include <string>

#include "support/TestSupport.h"

namespace qbtest {

class FtpServer {
public:
    static constexpr const char* User = "surveyor";
    static constexpr const char* Password = "s3cret pass";

    // With endlessListing, a name listing (NLST) sends names on and on, far past any sane size.
    explicit FtpServer(bool endlessListing = false);  // raises std::runtime_error when the server does not start
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    std::uint16_t Port() const { return port_; }
    const TempDir& Home() const { return home_; }
    // The commands received since the last call, one per line as the client sent them. The
    // server has handled everything sent to it before the call: a marker command sent on a
    // connection of its own has come through its log.
    std::string TakeCommands();

private:
    TempDir home_;
    QProcess process_;
    std::uint16_t port_ = 0;
    int marks_ = 0;
    std::string log_;  // received but not yet taken
};

// A port on 127.0.0.1 where nothing listens, so a connection there is refused.
std::uint16_t ClosedPort();

}  // namespace qbtest
