// Feeds arbitrary bytes to the reader of an FTP server's name listing: it must answer names,
// each without line breaks or folders in front.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/net/FtpClient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string listing(reinterpret_cast<const char*>(data), size);
    for (const std::string& name : ParseFtpNameList(listing))
        if (name.find_first_of("\n/") != std::string::npos) std::abort();
    return 0;
}
