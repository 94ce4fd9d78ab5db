// Writes the FTP settings file that Send data reads ("Quellbrook.ftp" beside the program).
// The password comes from standard input, so it shows in no process list.
#include <cstdio>
#include <iostream>
#include <string>

#include "app/FFtp.h"
#include "platform/core/SafeFile.h"

namespace {

const char* const kUsage =
    "Usage: quellbrook-ftpsettings FILE HOST PORT USER passive|active\n"
    "The password is read from the first line of standard input.\n";

int Fail(const std::string& message)
{
    std::cerr << message << "\n" << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    IgnoreFileSizeSignal();
    if (argc != 6) return Fail("Five arguments are needed.");
    const std::string mode = argv[5];
    if (mode != "passive" && mode != "active") return Fail("The data connection is \"passive\" or \"active\".");
    std::size_t used = 0;
    unsigned long port = 0;
    try {
        port = std::stoul(argv[3], &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || argv[3][used] != '\0' || port == 0 || port > 65535) return Fail("The port is a number from 1 to 65535.");
    TftpSetting setting;
    setting.Host = argv[2];
    setting.Port = static_cast<std::uint16_t>(port);
    setting.UserName = argv[4];
    std::getline(std::cin, setting.Password);
    if (!setting.Password.empty() && setting.Password.back() == '\r') setting.Password.pop_back();
    setting.Passive = mode == "passive";
    try {
        setting.SaveToFile(argv[1]);
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
    return 0;
}
