// The .xls range reader on any file: the sheets and a range of each are read or the reader
// raises ESpreadsheetError; nothing crashes or leaks.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "chart/output/DuvSpreadsheet.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Through a file name, as the program reaches the reader.
    char path[] = "/tmp/qb_fuzz_xls_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    const bool written = write(fd, data, size) == static_cast<ssize_t>(size);
    close(fd);
    if (written) {
        try {
            auto file = TSpreadsheetFile::OpenXls(path);
            const auto names = file->SheetNames();
            for (int i = 0; i < int(names.size()) && i < 4; ++i) {
                const auto cells = file->ReadRange(i, CellRange("A1", "D20"));
                if (cells.size() != 80) __builtin_trap();
            }
        } catch (const ESpreadsheetError&) {
        }
    }
    unlink(path);
    return 0;
}
