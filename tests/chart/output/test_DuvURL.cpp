#include <curl/curl.h>

#include <QProcess>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvHtml.h"
#include "chart/output/DuvExcelSource.h"
#include "chart/output/DuvSpreadsheet.h"
#include "chart/output/DuvStore.h"
#include "chart/output/DuvURL.h"
#include "chart/engine/Chart.h"
#include "chart/series/Series.h"
#include "support/FtpServer.h"
#include "support_DBChartTest.h"
#include "support_SmoothCanvas.h"

using namespace outputtest;

namespace {

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// python3 -m http.server on 127.0.0.1 serving a fresh folder.
class HttpServer {
public:
    HttpServer() : port_(qbtest::ClosedPort())
    {
        process_.start("/usr/bin/python3", {"-m", "http.server", QString::number(port_), "--bind", "127.0.0.1",
                                            "--directory", QString::fromStdString(dir_.path().string())});
        if (!process_.waitForStarted(5000)) throw std::runtime_error("http.server did not start");
        WriteFile(dir_.file("ready"), "1");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        TMemoryStream probe;
        while (DownloadURL(Url("ready"), probe) != 0) {
            if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("http.server does not answer");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~HttpServer()
    {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    std::string Url(const std::string& name) const { return "http://127.0.0.1:" + std::to_string(port_) + "/" + name; }
    const qbtest::TempDir& Dir() const { return dir_; }

private:
    qbtest::TempDir dir_;
    std::uint16_t port_;
    QProcess process_;
};

// A server of hostile replies on 127.0.0.1: /small a few bytes, /endless bytes without end and
// without a length, /announced a length of 10 GB, /slow a byte every 200 ms. Every request's
// path goes to the log file.
constexpr const char* kHostileServer = R"(
import sys, time, http.server, socketserver
log = open(sys.argv[1], 'a', buffering=1)
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    def log_message(self, *args):
        pass
    def do_GET(self):
        log.write(self.path + '\n')
        try:
            if self.path == '/small':
                body = b'1\n2\n3\n'
                self.send_response(200)
                self.send_header('Content-Length', str(len(body)))
                self.end_headers()
                self.wfile.write(body)
                return
            self.send_response(200)
            self.send_header('Connection', 'close')
            if self.path == '/announced':
                self.send_header('Content-Length', str(10 << 30))
            self.end_headers()
            while True:
                if self.path == '/slow':
                    self.wfile.write(b'x')
                    self.wfile.flush()
                    time.sleep(0.2)
                else:
                    self.wfile.write(b'x' * 65536)
        except OSError:
            pass
class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
server = Server(('127.0.0.1', 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
)";

class HostileServer {
public:
    HostileServer()
    {
        qbtest::WriteFileBytes(dir_.file("server.py"), kHostileServer);
        process_.start("/usr/bin/python3", {QString::fromStdString(dir_.file("server.py")), QString::fromStdString(Log())});
        if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(15000)) throw std::runtime_error("the server did not start");
        port_ = process_.readLine().trimmed().toInt();
    }
    ~HostileServer()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    std::string Requests() const { return std::filesystem::exists(Log()) ? qbtest::ReadFileBytes(Log()) : ""; }

private:
    std::string Log() const { return dir_.file("requests.log"); }
    qbtest::TempDir dir_;
    QProcess process_;
    int port_ = 0;
};

class DuvURLTest : public testing::Test {
protected:
    DuvURLTest()
    {
        StartOutputModules();
        ClearURLCache();
    }
    ~DuvURLTest() override
    {
        ClearURLCache();
        SetURLCacheLimit(64u << 20);
        SetDownloadLimits(std::int64_t(256) << 20, 300);
    }
};

}  // namespace

TEST(DuvURLNames, OneSchemeTest)
{
    struct Case {
        const char* Name;
        bool Url;
    } const cases[] = {
        {"  http://example.org/a.png", true}, {"HTTP://EXAMPLE.ORG/A.PNG", true}, {"https://x/y", true},
        {"ftp://host/file.txt", true},         {"FTP://host/file.txt", true},     {"/home/user/http.png", false},
        {"data/httpfile.txt", false},          {"", false},                       {"file:///etc/passwd", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsURL(c.Name), c.Url) << c.Name;
}

TEST_F(DuvURLTest, DownloadsAndTheirFailures)
{
    HttpServer server;
    WriteFile(server.Dir().file("data.txt"), "1 2 3\n");
    TMemoryStream stream;
    ASSERT_EQ(DownloadURL(server.Url("data.txt"), stream), 0);
    EXPECT_EQ(stream.Bytes(), "1 2 3\n");
    EXPECT_EQ(stream.Position(), 0);

    // An error page is an error, not data.
    const int notFound = DownloadURL(server.Url("missing.txt"), stream);
    EXPECT_EQ(notFound, CURLE_HTTP_RETURNED_ERROR);
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_FALSE(DownloadErrorText(notFound).empty());

    const int refused = DownloadURL("http://127.0.0.1:" + std::to_string(qbtest::ClosedPort()) + "/x", stream);
    EXPECT_EQ(refused, CURLE_COULDNT_CONNECT);

    // Cancelled before the start and while data arrive.
    WriteFile(server.Dir().file("big.bin"), std::string(1 << 20, 'x'));
    for (bool early : {true, false}) {
        int asked = 0;
        const int cancelled = DownloadURL(server.Url("big.bin"), stream, false, [&](bool& cancel, std::int64_t received) {
            ++asked;
            cancel = early || received > 0;
        });
        EXPECT_EQ(cancelled, CURLE_ABORTED_BY_CALLBACK);
        EXPECT_EQ(stream.Size(), 0);
        EXPECT_GE(asked, 1);
    }

    // The file source names the code and the address.
    TDBChart chart;
    TDBTestSeries series;
    series.SetParentChart(&chart);
    TDuvSeriesSourceFile source;
    source.SetSeries(&series);
    source.SetFileName(server.Url("missing.txt"));
    try {
        source.LoadData();
        FAIL();
    } catch (const ChartException& e) {
        EXPECT_EQ(std::string(e.what()), "Error code: 22 downloading Series data from URL: " + server.Url("missing.txt") + " " +
                                             DownloadErrorText(22));
    }
    source.SetSeries(nullptr);
}

TEST_F(DuvURLTest, FtpDownload)
{
    qbtest::FtpServer ftp;
    WriteFile(ftp.Home().file("points.txt"), "4 5 6");
    TMemoryStream stream;
    const std::string url = "ftp://" + std::string(qbtest::FtpServer::User) + ":s3cret%20pass@127.0.0.1:" +
                            std::to_string(ftp.Port()) + "/points.txt";
    ASSERT_EQ(DownloadURL(url, stream), 0);
    EXPECT_EQ(stream.Bytes(), "4 5 6");
    EXPECT_NE(DownloadURL(url + ".missing", stream), 0);
}

TEST_F(DuvURLTest, CacheDownloadsANameOnce)
{
    HttpServer server;
    WriteFile(server.Dir().file("pic.png"), "first");
    TMemoryStream a, b, c;
    ASSERT_EQ(LoadURLCached(server.Url("pic.png"), a), 0);
    std::filesystem::remove(server.Dir().file("pic.png"));
    // Host and scheme ignore case; the answer comes from the cache.
    std::string upperHost = server.Url("pic.png");
    upperHost.replace(0, 4, "HTTP");
    ASSERT_EQ(LoadURLCached(upperHost, b), 0);
    EXPECT_EQ(b.Bytes(), "first");
    // The path does not ignore case.
    EXPECT_EQ(LoadURLCached(server.Url("PIC.png"), c), CURLE_HTTP_RETURNED_ERROR);
    // A failed download caches nothing, and the installed hooks are these routines.
    EXPECT_EQ(HtmlStreamHook, &LoadURLCached);
    TMemoryStream reply;
    WriteFile(server.Dir().file("reply.txt"), "OK");
    EXPECT_EQ(DownloadURL(server.Url("reply.txt"), reply), 0);
    EXPECT_EQ(reply.Bytes(), "OK");
    EXPECT_NE(DownloadURL(server.Url("nothing"), reply), 0);
}

TEST_F(DuvURLTest, CachedFilesFollowTheirChangesAndTheCacheIsBounded)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("picture.bin");
    WriteFile(path, "one");
    TMemoryStream first, second;
    ASSERT_EQ(LoadURLCached(path, first), 0);
    WriteFile(path, "three");
    ASSERT_EQ(LoadURLCached(path, second), 0);
    EXPECT_EQ(second.Bytes(), "three");
    EXPECT_THROW(LoadURLCached(dir.file("missing.bin"), second), Exception);

    HttpServer server;
    SetURLCacheLimit(8);
    WriteFile(server.Dir().file("a"), "12345");
    WriteFile(server.Dir().file("b"), "67890");
    TMemoryStream s;
    ASSERT_EQ(LoadURLCached(server.Url("a"), s), 0);
    ASSERT_EQ(LoadURLCached(server.Url("b"), s), 0);  // pushes "a" out
    std::filesystem::remove(server.Dir().file("a"));
    std::filesystem::remove(server.Dir().file("b"));
    TMemoryStream again;
    EXPECT_EQ(LoadURLCached(server.Url("b"), again), 0);
    EXPECT_EQ(again.Bytes(), "67890");
    EXPECT_NE(LoadURLCached(server.Url("a"), again), 0);
}

// Downloads stop at the size limit (announced or not) and the total time limit, and say so.
TEST_F(DuvURLTest, DownloadsStopAtTheirLimits)
{
    EXPECT_EQ(DownloadSizeLimit(), std::int64_t(256) << 20);
    EXPECT_EQ(DownloadTimeLimit(), 300);
    HostileServer server;
    struct Case {
        const char* Path;
        std::int64_t Bytes;
        long Seconds;
        int Code;
        std::string Text;
    } const cases[] = {
        {"/endless", 1 << 20, 60, CURLE_FILESIZE_EXCEEDED, "The download is larger than the limit of 1048576 bytes"},
        {"/announced", 1 << 20, 60, CURLE_FILESIZE_EXCEEDED, "The download is larger than the limit of 1048576 bytes"},
        {"/slow", 1 << 20, 2, CURLE_OPERATION_TIMEDOUT, "The download did not finish in time (at most 2 seconds)"},
    };
    for (const Case& c : cases) {
        SetDownloadLimits(c.Bytes, c.Seconds);
        TMemoryStream stream;
        const auto start = std::chrono::steady_clock::now();
        const int code = DownloadURL(server.Url(c.Path), stream);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(c.Seconds + 5)) << c.Path;
        EXPECT_EQ(code, c.Code) << c.Path;
        EXPECT_EQ(DownloadErrorText(code), c.Text) << c.Path;
        EXPECT_EQ(stream.Size(), 0) << c.Path;
    }
}

// A chart file whose sources name an address or a spreadsheet loads without fetching or opening
// either; the sources wait, with their address, until the user refreshes them.
TEST_F(DuvURLTest, ChartFilesNeverFetchOnLoad)
{
    HostileServer server;
    RegisterClassForStreaming(TLineSeries::StaticClass());
    const auto load = [](TChart& chart, const std::string& fixture, const std::string& from, const std::string& to) {
        std::string text = qbtest::ReadFileBytes(qbtest::DataPath("fuzz/fuzz_DuvStore/" + fixture));
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos);
        text.replace(at, from.size(), to);
        TMemoryStream stream(text);
        LoadChartFromStream(chart, stream);
        auto* source = dynamic_cast<TDuvSeriesSourceFile*>(chart.FindComponent("Src"));
        EXPECT_TRUE(source && source->Series()) << "the source and its series are read";
        return source;
    };

    TChart web;
    TDuvSeriesSourceFile* source = load(web, "url_source_small.duv", "http://127.0.0.1:8765/small", server.Url("/small"));
    ASSERT_TRUE(source);
    EXPECT_EQ(server.Requests(), "");
    EXPECT_FALSE(source->Active());
    EXPECT_TRUE(source->WaitsForRefresh());
    EXPECT_EQ(source->FileName(), server.Url("/small"));
    TMemoryStream saved;
    SaveChartToStream(web, saved, false, true);
    EXPECT_NE(saved.Bytes().find("Active = True"), std::string::npos) << "written back as it was read";
    source->Open();
    EXPECT_EQ(server.Requests(), "/small\n");
    EXPECT_FALSE(source->WaitsForRefresh());

    const std::string hostile = qbtest::DataPath("fuzz/fuzz_XlsRangeReader/xls_stack_underflow_iconv.xls");
    TChart sheet;
    source = load(sheet, "duv_excel_source_to_freexl.duv", "/tmp/rel/repro/xls_stack_underflow_iconv.xls", hostile);
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->WaitsForRefresh());
    EXPECT_EQ(source->Series()->PointCount(), 0);
    try {
        source->Open();
        ADD_FAILURE() << "opened";
    } catch (const ESpreadsheetError& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("The spreadsheet file \"" + hostile + "\" is not a readable spreadsheet"));
    }
}
