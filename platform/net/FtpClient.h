#pragma once
// An FTP client for the few commands the program sends: log in, change and make folders, list
// names, delete and store files. libcurl carries each command over one kept-alive connection;
// the client remembers the remote folder itself, so every command names its folder in full from
// the login folder and a dropped connection is simply made again.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

// Raised for every refused or failed FTP command; the text says what was tried and why it failed.
class EFtpError : public Exception {
public:
    using Exception::Exception;
};

enum TFtpTransferType { ftASCII, ftBinary };

// The names of a name listing (NLST) as the server sent it: one a line, folders in front left out.
std::vector<std::string> ParseFtpNameList(const std::string& listing);

class TFtpClient : public TObject {
public:
    TFtpClient();
    ~TFtpClient() override;
    TFtpClient(const TFtpClient&) = delete;
    TFtpClient& operator=(const TFtpClient&) = delete;
    std::string ClassName() const override { return "TFtpClient"; }

    std::string Host;
    std::uint16_t Port = 21;
    std::string Username;
    std::string Password;
    bool Passive = true;  // false: the server connects back for each data transfer
    TFtpTransferType TransferType = ftBinary;
    int ConnectTimeoutSeconds = 30;

    // Connects and logs in, at the login folder.
    void Connect();
    bool Connected() const { return connected_; }
    // Says goodbye (QUIT) and drops the connection; nothing happens when not connected.
    void Disconnect();

    void ChangeDir(const std::string& name);  // one folder below the current one
    void ChangeDirUp();
    void MakeDir(const std::string& name);
    // The names in the current folder (NLST), without folders in front of them. A listing longer
    // than MaxListingBytes is cut off and raises EFtpError.
    std::vector<std::string> ListNames();
    static constexpr std::size_t MaxListingBytes = 16u << 20;
    void Delete(const std::string& name);
    // Stores the local file under remoteName in the current folder, replacing what is there.
    void Put(const std::string& localFile, const std::string& remoteName);

    // The current folder below the login folder, "" at the login folder.
    std::string CurrentDir() const;

private:
    struct Request;
    void CheckConnected() const;
    std::string FolderUrl() const;
    void Perform(Request& request, const std::string& action);
    void PerformCommand(const std::string& command, const std::string& action);
    void ResetHandle();

    void* curl_ = nullptr;
    bool connected_ = false;
    std::vector<std::string> folders_;  // the path below the login folder
};
