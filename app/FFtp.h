#pragma once
// The FTP settings file "Quellbrook.ftp" beside the program, and "Send data": the upload of the
// open data collection's files into the installation's folder on the FTP server.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"
#include "platform/net/FtpClient.h"

class TTable;

// Start key of the files this program writes. Files written elsewhere may use another one-byte
// key; reading finds it (FindStartKey).
inline constexpr std::uint16_t FtpSettingStartKey = 0x5C;

// Layout, integers little-endian: host length (int32), host as scrambled hex digits, port
// (uint16), user length, user, password length, password, passive (one byte, 0 = active).
class TftpSetting : public TObject {
public:
    // Reads the file when the name is given and the file exists; otherwise port 21, passive.
    explicit TftpSetting(const std::string& fileName = "");
    std::string ClassName() const override { return "TftpSetting"; }

    // Raises EInOutError when the file can't be read or ends too early.
    void LoadFromFile(const std::string& fileName);
    // Writes the settings scrambled with FtpSettingStartKey (temporary file, then rename),
    // readable by the owner only.
    void SaveToFile(const std::string& fileName) const;
    void ApplyTo(TFtpClient& ftp) const;

    std::string FileName;
    std::string Host;
    std::uint16_t Port = 21;
    std::string UserName;
    std::string Password;
    bool Passive = true;
    std::uint16_t StartKey = FtpSettingStartKey;  // the key the strings were read with
};

// "<program folder>/Quellbrook.ftp"
std::string FtpSettingsFileName();

// The files sent for a definition: the definition and every file named like it up to its
// extension ("survey.ini" -> "survey.*"), names without folder, sorted. Folders are not files
// and are left out.
std::vector<std::string> DefinitionFileNames(const std::string& definitionPath);

// Changes into the remote folder; when that fails, makes it and changes into it.
void ChangeOrMakeRemoteDir(TFtpClient& ftp, const std::string& name);

// Sends the collection's files into the current remote folder, each replacing a remote file of
// the same name (without regard to case). The table is closed meanwhile and reopened at its
// record, also after an error. Shows the names and the count; answers the count.
int UploadDefinitionFiles(TFtpClient& ftp, TTable& table, const std::string& definitionPath);

// The whole upload: connects, changes into "Quellbrook" (which must exist), into the
// installation's folder (made when missing) and sends the files; disconnects at the end.
void SendDefinitionFiles(TFtpClient& ftp, TTable& table, const std::string& definitionPath,
                         const std::string& installation);
