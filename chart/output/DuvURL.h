#pragma once
// Series data and pictures from files and web or ftp addresses, with a process-wide cache.
//
// What always holds:
//  - one scheme test (IsURL) decides between a file and a download everywhere;
//  - a download answers 0 only for a complete transfer of a successful reply (an HTTP error
//    page is an error), with the stream holding the data from position 0;
//  - the cache is guarded by its own lock; downloads and file reads run outside it;
//  - the cache holds at most URLCacheLimit() bytes; file entries are re-read when the file changes.
#include <cstdint>
#include <functional>
#include <string>

#include "chart/engine/RuRazaziLists.h"
#include "platform/core/Streams.h"

class TCustomAxisPanel;

// A trimmed name that begins with http://, https:// or ftp:// (letters in any case).
bool IsURL(const std::string& name);

// Asked before the transfer and as data arrive, with the bytes received so far; setting cancel
// ends the download.
using TDownloadProgress = std::function<void(bool& cancel, std::int64_t received)>;

// 0 on success; else a libcurl error code (DownloadErrorText tells it). reloadOnly is kept for
// callers: libcurl keeps no cache, so every download is a fresh one.
int DownloadURL(const std::string& url, TMemoryStream& stream, bool reloadOnly = false,
                const TDownloadProgress& progress = {});
std::string DownloadErrorText(int code);
// Seconds: no connection within ConnectTimeout, or under one byte a second for LowSpeedTime, fails.
inline constexpr long kDownloadConnectTimeout = 15;
inline constexpr long kDownloadLowSpeedTime = 30;
// Every download stops past a size and a total time (256 MB and 300 s unless set otherwise).
std::int64_t DownloadSizeLimit();
long DownloadTimeLimit();
void SetDownloadLimits(std::int64_t bytes, long seconds);

// Copies a file's or an address's content into the stream through the cache; 0 on success,
// else the download's error code. A missing file raises the file error.
int LoadURLCached(const std::string& name, TStream& stream);
void ClearURLCache();
std::size_t URLCacheLimit();
void SetURLCacheLimit(std::size_t bytes);

// The base of series sources named by a file name or an address. A source read from a stream
// as active does not read its file or address by itself: it waits for the user to refresh it
// (Open), and is written back as active meanwhile.
class TDuvSeriesSourceFile : public TDuvSeriesSource {
    QB_CLASS(TDuvSeriesSourceFile, TDuvSeriesSource)
public:
    explicit TDuvSeriesSourceFile(TComponent* owner = nullptr) : TDuvSeriesSource(owner) {}
    ~TDuvSeriesSourceFile() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvSeriesSourceFile>& p);

    TCustomAxisPanel* Chart() const { return chart_; }
    void SetChart(TCustomAxisPanel* value);
    const std::string& FileName() const { return fileName_; }
    virtual void SetFileName(const std::string& value);
    void SetActive(bool value) override;
    // Read as active, not read yet: what the user is shown with FileName.
    bool WaitsForRefresh() const { return waitsForRefresh_; }

    void LoadData() override;
    // Reads nothing here; a source that parses its data overrides it.
    virtual void LoadFromStream(TStream&) {}

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool StoredActive() const { return Active() || waitsForRefresh_; }

    TComponentRef<TCustomAxisPanel> chart_{this};
    std::string fileName_;
    bool waitsForRefresh_ = false;
};

void DuvURLInitialization();
void DuvURLFinalization();
