#include "app/FFtp.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/FInfo.h"
#include "app/oruCryptoUtils.h"
#include "platform/core/Streams.h"
#include "platform/db/Table.h"
#include "platform/ui/UiServices.h"

namespace fs = std::filesystem;

namespace {

// The settings file's bytes, read front to back; running past the end is the I/O error of a
// damaged file.
class SettingsReader {
public:
    SettingsReader(std::string bytes, std::string fileName) : bytes_(std::move(bytes)), fileName_(std::move(fileName)) {}

    std::string Take(std::int64_t count)
    {
        if (count < 0 || count > std::int64_t(bytes_.size() - position_))
            throw EInOutError("The FTP settings file \"" + fileName_ + "\" is damaged: read beyond end of file.", 100);
        std::string part = bytes_.substr(position_, std::size_t(count));
        position_ += std::size_t(count);
        return part;
    }
    std::uint64_t TakeInteger(int width)
    {
        const std::string part = Take(width);
        std::uint64_t value = 0;
        for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(part[std::size_t(i)]);
        return value;
    }
    // A 4-byte signed length, then that many hex digits.
    std::string TakeScrambledString() { return Take(static_cast<std::int32_t>(TakeInteger(4))); }

private:
    std::string bytes_;
    std::string fileName_;
    std::size_t position_ = 0;
};

std::string ReadWholeFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in.is_open()) throw EInOutError("The FTP settings file \"" + fileName + "\" cannot be opened.");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EInOutError("The FTP settings file \"" + fileName + "\" cannot be read.");
    return bytes;
}

std::string LittleEndian(std::uint64_t value, int width)
{
    std::string bytes;
    for (int i = 0; i < width; ++i, value >>= 8) bytes += static_cast<char>(value & 0xFF);
    return bytes;
}

std::string ScrambledField(const std::string& text)
{
    const std::string hex = ScrambleHex(text, FtpSettingStartKey);
    return LittleEndian(hex.size(), 4) + hex;
}

bool FileExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

// The settings file holds the password: only its owner may read it. The writer keeps the mode of
// the file it replaces, so the file gets that mode before the bytes are written; answers whether
// it made the (empty) file.
bool MakeOwnerOnly(const std::string& fileName)
{
    constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;
    int error = 0;
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kOwnerOnly);
    if (fd >= 0) {
        if (::fchmod(fd, kOwnerOnly) != 0) error = errno;  // whatever the umask said
        ::close(fd);
        if (error == 0) return true;
        ::unlink(fileName.c_str());
    } else if (errno != EEXIST || ::chmod(fileName.c_str(), kOwnerOnly) != 0) {
        error = errno;
    }
    if (error != 0)
        throw EInOutError("The FTP settings file \"" + fileName + "\" cannot be made private: " + std::strerror(error),
                          error);
    return false;
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
    return text;
}

// The table is read whole by the transfer, so it must be closed; what was typed is kept.
int CloseForUpload(TTable& table)
{
    if (!table.Active()) return -1;
    table.CheckBrowseMode();
    const int recNo = table.RecNo();
    table.Close();
    return recNo;
}

void ReopenAt(TTable& table, int recNo)
{
    if (recNo < 0) return;
    table.Open();
    while (table.RecNo() < recNo && !table.Eof()) table.Next();
}

void SendFiles(TFtpClient& ftp, const std::string& folder, const std::vector<std::string>& names, int& count)
{
    const std::vector<std::string> remoteNames = ftp.ListNames();
    for (const std::string& name : names) {
        const auto listed = std::find_if(remoteNames.begin(), remoteNames.end(),
                                         [&](const std::string& remote) { return SameTextIgnoringCase(remote, name); });
        if (listed != remoteNames.end()) ftp.Delete(*listed);
        ftp.Put(folder + name, name);
        ++count;
    }
}

}  // namespace

TftpSetting::TftpSetting(const std::string& fileName) : FileName(fileName)
{
    if (!fileName.empty() && FileExists(fileName)) LoadFromFile(fileName);
}

void TftpSetting::LoadFromFile(const std::string& fileName)
{
    SettingsReader reader(ReadWholeFile(fileName), fileName);
    const std::string host = reader.TakeScrambledString();
    const auto port = static_cast<std::uint16_t>(reader.TakeInteger(2));
    const std::string user = reader.TakeScrambledString();
    const std::string password = reader.TakeScrambledString();
    const bool passive = reader.TakeInteger(1) != 0;
    StartKey = FindStartKey({host, user, password}, FtpSettingStartKey);
    Host = DescrambleHex(host, StartKey);
    Port = port;
    UserName = DescrambleHex(user, StartKey);
    Password = DescrambleHex(password, StartKey);
    Passive = passive;
    FileName = fileName;
}

void TftpSetting::SaveToFile(const std::string& fileName) const
{
    const bool made = MakeOwnerOnly(fileName);
    try {
        TFileStream file(fileName, fmCreate);
        file.WriteString(ScrambledField(Host) + LittleEndian(Port, 2) + ScrambledField(UserName) +
                         ScrambledField(Password) + (Passive ? '\1' : '\0'));
        file.Commit();
    } catch (...) {
        if (made) ::unlink(fileName.c_str());  // an empty file would read as a damaged one
        throw;
    }
}

void TftpSetting::ApplyTo(TFtpClient& ftp) const
{
    ftp.Host = Host;
    ftp.Port = Port;
    ftp.Username = UserName;
    ftp.Password = Password;
    ftp.Passive = Passive;
}

std::string FtpSettingsFileName() { return ProgramFolder() + "Quellbrook.ftp"; }

std::vector<std::string> DefinitionFileNames(const std::string& definitionPath)
{
    const fs::path definition(definitionPath);
    const std::string name = definition.filename().string();
    const std::size_t dot = name.rfind('.');
    // Without an extension the table files still are "<name>.dbf" and "<name>.dbt".
    const std::string prefix = dot == std::string::npos ? name + "." : name.substr(0, dot + 1);
    std::vector<std::string> names;
    std::error_code error;
    const fs::path folder = definition.has_parent_path() ? definition.parent_path() : fs::path(".");
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string entryName = entry.path().filename().string();
        const bool matches = entryName.compare(0, prefix.size(), prefix) == 0 || entryName == name;
        if (matches && entry.is_regular_file(error)) names.push_back(entryName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void ChangeOrMakeRemoteDir(TFtpClient& ftp, const std::string& name)
{
    try {
        ftp.ChangeDir(name);
    } catch (const EFtpError&) {
        ftp.MakeDir(name);
        ftp.ChangeDir(name);
    }
}

int UploadDefinitionFiles(TFtpClient& ftp, TTable& table, const std::string& definitionPath)
{
    const int recNo = CloseForUpload(table);
    int count = 0;
    if (!FileExists(definitionPath)) {
        UiServices().ShowWarning("Data upload: Data definition file does not exists [" + definitionPath + "]");
        ReopenAt(table, recNo);
    } else {
        const std::vector<std::string> names = DefinitionFileNames(definitionPath);
        UiServices().ShowInformation(Joined(names));
        // The table is opened again whatever fails; the first failure is the one reported.
        std::exception_ptr failure;
        try {
            SendFiles(ftp, AddTrailingSlash(fs::path(definitionPath).parent_path().string()), names, count);
        } catch (...) {
            failure = std::current_exception();
        }
        try {
            ftp.ChangeDirUp();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
        ReopenAt(table, recNo);
        if (failure) std::rethrow_exception(failure);
    }
    UiServices().ShowInformation("Data upload: file count " + std::to_string(count));
    return count;
}

void SendDefinitionFiles(TFtpClient& ftp, TTable& table, const std::string& definitionPath,
                         const std::string& installation)
{
    if (ftp.Connected()) ftp.Disconnect();
    try {
        ftp.Connect();
        ftp.ChangeDir("Quellbrook");
        ChangeOrMakeRemoteDir(ftp, installation);
        ftp.TransferType = ftBinary;
        UploadDefinitionFiles(ftp, table, definitionPath);
    } catch (...) {
        ftp.Disconnect();
        throw;
    }
    ftp.Disconnect();
}
