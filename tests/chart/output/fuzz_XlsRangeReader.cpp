// The .xls range reader on any file: the sheets and a range of each are read or the reader
// raises ESpreadsheetError; nothing crashes or leaks.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "chart/output/DuvSpreadsheet.h"
#include "support/FuzzInputFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qbtest::WithInputFile(reinterpret_cast<const char*>(data), size, [](const std::string& path) {
        try {
            auto file = TSpreadsheetFile::OpenXls(path);
            const auto names = file->SheetNames();
            for (int i = 0; i < int(names.size()) && i < 4; ++i) {
                const auto cells = file->ReadRange(i, CellRange("A1", "D20"));
                if (cells.size() != 80) __builtin_trap();
            }
        } catch (const ESpreadsheetError&) {
        }
    });
    return 0;
}
