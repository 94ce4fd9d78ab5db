// The xlsx reader on any bytes: opening, listing the sheets and reading a range of every sheet
// either works or raises ESpreadsheetError; it never crashes, hangs or leaks.
#include <cstdint>
#include <string>

#include "chart/output/DuvSpreadsheet.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        auto file = TSpreadsheetFile::OpenXlsxBytes(std::string(reinterpret_cast<const char*>(data), size));
        const auto names = file->SheetNames();
        for (int i = 0; i < int(names.size()) && i < 4; ++i) {
            const auto cells = file->ReadRange(i, CellRange("A1", "D20"));
            if (cells.size() != 80) __builtin_trap();
        }
    } catch (const ESpreadsheetError&) {
    }
    return 0;
}
