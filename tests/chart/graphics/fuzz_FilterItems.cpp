// "FilterItems" values from outside: reading never crashes or leaks, only filters enter the
// list, and a list that reads is written and read back to the same filters. (Bytes may differ:
// a NaN parameter does not keep its payload through the stream's extended floats.)
#include <cstdint>
#include <cstdlib>
#include <string>

#include "chart/graphics/DuvFilters.h"
#include "chart/graphics/DuvPicture.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

namespace {

std::string Written(TFilterItems& list)
{
    TMemoryStream stream;
    TWriter writer(stream);
    TDuvPicture::WriteFilterItems(writer, list);
    writer.FlushBuffer();
    return stream.Bytes();
}

void Read(const std::string& bytes, TFilterItems& list)
{
    TMemoryStream stream(bytes);
    TReader reader(stream);
    TDuvPicture::ReadFilterItems(reader, list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // every filter class, and a streamable class that is no filter
    static bool registered = (DuvFiltersInitialization(), RegisterClass(TFloatXYZ::StaticClass()), true);
    (void)registered;
    TFilterItems list;
    try {
        Read(std::string(reinterpret_cast<const char*>(data), size), list);
    } catch (const Exception&) {
    }
    for (int i = 0; i < list.Count(); ++i)
        if (!dynamic_cast<TDuvFilter*>(list.Items(i))) std::abort();
    const std::string written = Written(list);
    TFilterItems again;
    Read(written, again);
    if (again.Count() != list.Count()) std::abort();
    for (int i = 0; i < list.Count(); ++i)
        if (again.Items(i)->ClassName() != list.Items(i)->ClassName()) std::abort();
    return 0;
}
