#include "platform/net/FtpClient.h"

#include <curl/curl.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

CURL* Handle(void* curl) { return static_cast<CURL*>(curl); }

// libcurl wants its global set-up done once before the first handle.
void InitCurlOnce()
{
    static const bool initialised = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)initialised;
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Collects what the server sends; past the bound it stops the transfer (libcurl then fails it),
// so a server that never ends its listing cannot fill the memory.
struct TCollected {
    std::string text;
    std::size_t limit = 0;
    bool cut = false;
};

std::size_t CollectText(char* data, std::size_t size, std::size_t count, void* target)
{
    auto* collected = static_cast<TCollected*>(target);
    const std::size_t bytes = size * count;
    if (collected->text.size() + bytes > collected->limit) {
        collected->cut = true;
        return 0;
    }
    collected->text.append(data, bytes);
    return bytes;
}

// A line break would end the command early and the rest would reach the server as a command
// of its own; a zero byte would cut the name short.
void CheckName(const std::string& name)
{
    const std::size_t bad = name.find_first_of(std::string("\r\n\0", 3));
    if (bad == std::string::npos) return;
    throw EFtpError("An FTP name contains a line break or a zero byte: \"" + name.substr(0, bad) + "...\"");
}

std::string Escaped(CURL* curl, const std::string& name)
{
    CheckName(name);
    char* escaped = curl_easy_escape(curl, name.data(), static_cast<int>(name.size()));
    if (!escaped) throw EFtpError("The FTP name \"" + name + "\" cannot be written into a request.");
    std::string text = escaped;
    curl_free(escaped);
    return text;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Some servers answer a name list with paths; the names are what callers compare.
std::string BaseName(const std::string& name)
{
    const std::size_t slash = name.find_last_of('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

// What one libcurl transfer does besides changing into the client's current folder.
struct TFtpClient::Request {
    std::string file;          // escaped name after the folder, "" for the folder itself
    bool listNames = false;
    std::FILE* upload = nullptr;
    curl_off_t uploadSize = 0;
    std::string command;       // sent after changing into the folder
    TCollected output;
};

TFtpClient::TFtpClient() { InitCurlOnce(); }

TFtpClient::~TFtpClient()
{
    if (curl_) curl_easy_cleanup(Handle(curl_));
}

void TFtpClient::ResetHandle()
{
    if (curl_) curl_easy_cleanup(Handle(curl_));  // sends QUIT on a live connection
    curl_ = curl_easy_init();
    if (!curl_) throw EFtpError("The FTP client could not be set up.");
}

void TFtpClient::Connect()
{
    Disconnect();
    ResetHandle();
    folders_.clear();
    Request login;
    Perform(login, "Logging in to the FTP server " + Host + ":" + std::to_string(Port) + " as " + Username);
    connected_ = true;
}

void TFtpClient::Disconnect()
{
    if (!curl_) return;
    curl_easy_cleanup(Handle(curl_));
    curl_ = nullptr;
    connected_ = false;
}

void TFtpClient::CheckConnected() const
{
    if (!connected_) throw EFtpError("The FTP client is not connected.");
}

std::string TFtpClient::CurrentDir() const
{
    std::string path;
    for (const std::string& folder : folders_) path += (path.empty() ? "" : "/") + folder;
    return path;
}

std::string TFtpClient::FolderUrl() const
{
    const bool ipv6 = Host.find(':') != std::string::npos;
    std::string url = "ftp://" + (ipv6 ? "[" + Host + "]" : Host) + ":" + std::to_string(Port) + "/";
    for (const std::string& folder : folders_) url += Escaped(Handle(curl_), folder) + "/";
    return url;
}

void TFtpClient::Perform(Request& request, const std::string& action)
{
    CURL* curl = Handle(curl_);
    curl_easy_reset(curl);  // options only; the live connection stays
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    const std::string url = FolderUrl() + request.file;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");  // straight to the server, whatever the environment says
    curl_easy_setopt(curl, CURLOPT_USERNAME, Username.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, Password.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(ConnectTimeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, 60L);
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_MULTICWD));
    if (!Passive) curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");  // the control connection's own address
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, TransferType == ftASCII ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectText);
    request.output.limit = MaxListingBytes;
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &request.output);
    if (request.listNames) {
        curl_easy_setopt(curl, CURLOPT_DIRLISTONLY, 1L);
    } else if (request.upload) {
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READDATA, request.upload);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, request.uploadSize);
    } else {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);  // only the folder changes and the command
    }
    Slist commands;
    if (!request.command.empty()) {
        commands.reset(curl_slist_append(nullptr, request.command.c_str()));
        curl_easy_setopt(curl, CURLOPT_POSTQUOTE, commands.get());
    }
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    if (code == CURLE_OK) return;
    if (request.output.cut)
        throw EFtpError(action + " failed: the server sent more than " + std::to_string(MaxListingBytes >> 20) +
                        " MB of names; the listing was stopped.");
    std::string detail = error[0] ? error : curl_easy_strerror(code);
    long reply = 0;  // the server's last reply code, which says what it refused
    if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply) == CURLE_OK && reply >= 400)
        detail += " (the server answered " + std::to_string(reply) + ")";
    throw EFtpError(action + " failed: " + detail);
}

void TFtpClient::PerformCommand(const std::string& command, const std::string& action)
{
    CheckConnected();
    Request request;
    request.command = command;
    Perform(request, action);
}

void TFtpClient::ChangeDir(const std::string& name)
{
    CheckConnected();
    folders_.push_back(name);
    try {
        Request request;
        Perform(request, "Changing to the FTP folder \"" + CurrentDir() + "\"");
    } catch (...) {
        folders_.pop_back();
        throw;
    }
}

// At the login folder there is nothing above to go to.
void TFtpClient::ChangeDirUp()
{
    CheckConnected();
    if (!folders_.empty()) folders_.pop_back();
}

void TFtpClient::MakeDir(const std::string& name)
{
    CheckName(name);
    PerformCommand("MKD " + name, "Making the FTP folder \"" + name + "\" in \"" + CurrentDir() + "\"");
}

void TFtpClient::Delete(const std::string& name)
{
    CheckName(name);
    PerformCommand("DELE " + name, "Deleting the FTP file \"" + name + "\" in \"" + CurrentDir() + "\"");
}

std::vector<std::string> TFtpClient::ListNames()
{
    CheckConnected();
    Request request;
    request.listNames = true;
    Perform(request, "Listing the FTP folder \"" + CurrentDir() + "\"");
    return ParseFtpNameList(request.output.text);
}

std::vector<std::string> ParseFtpNameList(const std::string& listing)
{
    std::vector<std::string> names;
    for (const std::string& line : SplitLines(listing)) names.push_back(BaseName(line));
    return names;
}

void TFtpClient::Put(const std::string& localFile, const std::string& remoteName)
{
    CheckConnected();
    const std::string action = "Storing \"" + localFile + "\" as the FTP file \"" + remoteName + "\" in \"" + CurrentDir() + "\"";
    std::error_code error;
    std::unique_ptr<std::FILE, FileCloser> file(
        std::filesystem::is_regular_file(localFile, error) ? std::fopen(localFile.c_str(), "rb") : nullptr);
    if (!file) throw EFtpError(action + " failed: the local file cannot be read.");
    std::fseek(file.get(), 0, SEEK_END);
    Request request;
    request.uploadSize = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);
    request.upload = file.get();
    request.file = Escaped(Handle(curl_), remoteName);
    Perform(request, action);
}
