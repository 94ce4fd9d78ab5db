#include "chart/output/DuvURL.h"

#include <curl/curl.h>

#include <filesystem>
#include <list>
#include <mutex>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvHtml.h"
#include "platform/core/StringList.h"

namespace {

constexpr const char* kSchemes[] = {"http://", "https://", "ftp://"};

// The scheme and the host name ignore case; the path does not.
std::string CacheKey(const std::string& name)
{
    if (!IsURL(name)) return name;
    std::string key = Trim(name);
    const std::size_t hostStart = key.find("://") + 3;
    std::size_t hostEnd = key.find('/', hostStart);
    if (hostEnd == std::string::npos) hostEnd = key.size();
    for (std::size_t i = 0; i < hostEnd; ++i)
        if (key[i] >= 'A' && key[i] <= 'Z') key[i] = static_cast<char>(key[i] - 'A' + 'a');
    return key;
}

struct TCachedStream {
    std::string URL;
    std::string Bytes;
    // Files only: what the file looked like when read.
    bool IsFile = false;
    std::filesystem::file_time_type Time{};
    std::uintmax_t Size = 0;
};

// Most recently used first.
struct TURLCache {
    std::mutex Lock;
    std::list<TCachedStream> Entries;
    std::size_t Bytes = 0;
    std::size_t Limit = 64u << 20;

    void TrimTo(std::size_t limit)
    {
        while (Bytes > limit && !Entries.empty()) {
            Bytes -= Entries.back().Bytes.size();
            Entries.pop_back();
        }
    }
};

TURLCache& Cache()
{
    static TURLCache cache;
    return cache;
}

bool FileUnchanged(const TCachedStream& entry)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(entry.URL, error);
    if (error) return false;
    const auto size = std::filesystem::file_size(entry.URL, error);
    return !error && time == entry.Time && size == entry.Size;
}

struct TDownloadLimits {
    std::mutex Lock;
    std::int64_t Bytes = std::int64_t(256) << 20;
    long Seconds = 300;
};

TDownloadLimits& Limits()
{
    static TDownloadLimits limits;
    return limits;
}

struct TTransfer {
    TMemoryStream* Stream;
    const TDownloadProgress* Progress;
    std::int64_t Limit;
    bool TooLarge = false;
};

size_t WriteData(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<TTransfer*>(user);
    const auto bytes = static_cast<std::int64_t>(size * count);
    // A reply without a length announced is stopped here, as it grows.
    if (transfer->Stream->Size() + bytes > transfer->Limit) {
        transfer->TooLarge = true;
        return 0;
    }
    return transfer->Stream->Write(data, bytes) == bytes ? size * count : 0;
}

int TransferInfo(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* transfer = static_cast<TTransfer*>(user);
    bool cancel = false;
    (*transfer->Progress)(cancel, transfer->Stream->Size());
    return cancel ? 1 : 0;
}

}  // namespace

bool IsURL(const std::string& name)
{
    const std::string text = LowerCase(Trim(name));
    for (const char* scheme : kSchemes)
        if (text.starts_with(scheme)) return true;
    return false;
}

int DownloadURL(const std::string& url, TMemoryStream& stream, bool /*reloadOnly*/, const TDownloadProgress& progress)
{
    stream.SetSize(0);
    if (progress) {
        bool cancel = false;
        progress(cancel, 0);
        if (cancel) return CURLE_ABORTED_BY_CALLBACK;
    }
    CURL* curl = curl_easy_init();
    if (!curl) return CURLE_FAILED_INIT;
    const std::int64_t sizeLimit = DownloadSizeLimit();
    TTransfer transfer{&stream, &progress, sizeLimit};
    const std::string address = Trim(url);
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Duv");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    // An error page is not the data asked for.
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kDownloadConnectTimeout);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kDownloadLowSpeedTime);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, DownloadTimeLimit());
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sizeLimit));
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    if (progress) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TransferInfo);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }
    CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (transfer.TooLarge) result = CURLE_FILESIZE_EXCEEDED;
    if (result != CURLE_OK) stream.SetSize(0);
    stream.SetPosition(0);
    return static_cast<int>(result);
}

std::string DownloadErrorText(int code)
{
    if (code == CURLE_FILESIZE_EXCEEDED)
        return "The download is larger than the limit of " + std::to_string(DownloadSizeLimit()) + " bytes";
    if (code == CURLE_OPERATION_TIMEDOUT)
        return "The download did not finish in time (at most " + std::to_string(DownloadTimeLimit()) + " seconds)";
    return curl_easy_strerror(static_cast<CURLcode>(code));
}

std::int64_t DownloadSizeLimit()
{
    std::lock_guard lock(Limits().Lock);
    return Limits().Bytes;
}

long DownloadTimeLimit()
{
    std::lock_guard lock(Limits().Lock);
    return Limits().Seconds;
}

void SetDownloadLimits(std::int64_t bytes, long seconds)
{
    std::lock_guard lock(Limits().Lock);
    Limits().Bytes = bytes;
    Limits().Seconds = seconds;
}

int LoadURLCached(const std::string& name, TStream& stream)
{
    TURLCache& cache = Cache();
    const std::string key = CacheKey(name);
    {
        std::lock_guard lock(cache.Lock);
        for (auto it = cache.Entries.begin(); it != cache.Entries.end(); ++it) {
            if (it->URL != key) continue;
            if (it->IsFile && !FileUnchanged(*it)) {
                cache.Bytes -= it->Bytes.size();
                cache.Entries.erase(it);
                break;
            }
            cache.Entries.splice(cache.Entries.begin(), cache.Entries, it);
            stream.WriteString(it->Bytes);
            return 0;
        }
    }
    TCachedStream entry;
    entry.URL = key;
    if (IsURL(name)) {
        TMemoryStream download;
        if (const int result = DownloadURL(name, download); result != 0) return result;
        entry.Bytes = download.TakeBytes();
    } else {
        entry.IsFile = true;
        std::error_code error;
        entry.Time = std::filesystem::last_write_time(name, error);
        TMemoryStream file;
        file.LoadFromFile(name);  // raises the file error
        entry.Bytes = file.TakeBytes();
        entry.Size = entry.Bytes.size();
    }
    stream.WriteString(entry.Bytes);
    std::lock_guard lock(cache.Lock);
    if (entry.Bytes.size() > cache.Limit) return 0;
    cache.Bytes += entry.Bytes.size();
    cache.Entries.push_front(std::move(entry));
    cache.TrimTo(cache.Limit);
    return 0;
}

void ClearURLCache()
{
    TURLCache& cache = Cache();
    std::lock_guard lock(cache.Lock);
    cache.Entries.clear();
    cache.Bytes = 0;
}

std::size_t URLCacheLimit()
{
    TURLCache& cache = Cache();
    std::lock_guard lock(cache.Lock);
    return cache.Limit;
}

void SetURLCacheLimit(std::size_t bytes)
{
    TURLCache& cache = Cache();
    std::lock_guard lock(cache.Lock);
    cache.Limit = bytes;
    cache.TrimTo(bytes);
}

// ---------------------------------------------------------------- the file source

TDuvSeriesSourceFile::~TDuvSeriesSourceFile() = default;

void TDuvSeriesSourceFile::DeclareProperties(TPropertyDeclarer<TDuvSeriesSourceFile>& p)
{
    using C = TDuvSeriesSourceFile;
    // Read from a stream, Active only marks the source as waiting for the user's refresh.
    p.Boolean("Active", &C::StoredActive, &C::SetActive).Default(false);
    p.Component("Chart", &C::Chart, &C::SetChart);
    p.String("FileName", &C::FileName, &C::SetFileName);
    p.Component("Series", &C::Series, &C::SetSeries);
}

void TDuvSeriesSourceFile::SetChart(TCustomAxisPanel* value)
{
    chart_ = value;
}

void TDuvSeriesSourceFile::SetFileName(const std::string& value) { fileName_ = value; }

void TDuvSeriesSourceFile::SetActive(bool value)
{
    // Reading a chart file never fetches from the network or opens other files by itself.
    if (HasState(csReading)) {
        waitsForRefresh_ = value;
        return;
    }
    waitsForRefresh_ = false;
    TDuvSeriesSource::SetActive(value);
}

void TDuvSeriesSourceFile::Notification(TComponent* component, TOperation operation)
{
    TDuvSeriesSource::Notification(component, operation);
    if (operation == TOperation::opRemove && component == chart_) chart_ = nullptr;
}

void TDuvSeriesSourceFile::LoadData()
{
    if (!Series() || fileName_.empty()) return;
    if (IsURL(fileName_)) {
        TMemoryStream stream;
        if (const int code = DownloadURL(fileName_, stream); code != 0)
            throw ChartException("Error code: " + std::to_string(code) + " downloading Series data from URL: " + fileName_ +
                                 " " + DownloadErrorText(code));
        LoadFromStream(stream);
        return;
    }
    TFileStream file(fileName_, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

// ---------------------------------------------------------------- start-up

void DuvURLInitialization()
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    RegisterClassForStreaming(TDuvSeriesSourceFile::StaticClass());
    HtmlStreamHook = &LoadURLCached;
}

void DuvURLFinalization()
{
    if (HtmlStreamHook == &LoadURLCached) HtmlStreamHook = nullptr;
    ClearURLCache();
}
