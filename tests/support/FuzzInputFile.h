#pragma once
// For fuzz targets whose reader is reached through a file name, as the program reaches it: the
// input (or a part of it) as a temporary file for the length of one call.
#include <unistd.h>

#include <cstdint>
#include <string>

namespace qbtest {

template <class TUse>
void WithInputFile(const char* data, std::size_t size, TUse use)
{
    char path[] = "/tmp/qb_fuzz_input_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return;
    const bool written = write(fd, data, size) == static_cast<ssize_t>(size);
    close(fd);
    if (written) use(std::string(path));
    unlink(path);
}

}  // namespace qbtest
