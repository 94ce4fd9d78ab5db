// Feeds arbitrary bytes as the FTP settings file: reading must work or raise EInOutError, and
// printable settings read are written back and read again to the same values (texts with
// control characters can't tell the reader which key they were written with).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/FFtp.h"
#include "app/oruCryptoUtils.h"
#include "support/FuzzFiles.h"

namespace {

std::string TempFolder() { return qbtest::FuzzTempFolder("fuzz_FtpSetting"); }

void Write(const std::string& path, const std::string& bytes) { qbtest::WriteFuzzFile(path, bytes); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = TempFolder() + "/Quellbrook.ftp";
    Write(path, std::string(reinterpret_cast<const char*>(data), size));
    TftpSetting setting;
    try {
        setting.LoadFromFile(path);
    } catch (const EInOutError&) {
        return 0;
    }
    for (const std::string* text : {&setting.Host, &setting.UserName, &setting.Password})
        if (!DescramblesToPrintableText(ScrambleHex(*text, FtpSettingStartKey), FtpSettingStartKey)) return 0;
    const std::string again = TempFolder() + "/again.ftp";
    setting.SaveToFile(again);
    const TftpSetting back(again);
    if (back.Host != setting.Host || back.Port != setting.Port || back.UserName != setting.UserName ||
        back.Password != setting.Password || back.Passive != setting.Passive)
        std::abort();
    return 0;
}
