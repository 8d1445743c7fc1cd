#include "DemoServer.h"

#include "Commands.h"
#include "ConnectionGate.h"
#include "DemoData.h"
#include "Gzip.h"
#include "RequestReader.h"
#include "Sqlite.h"
#include "UpdateList.h"

#include <httplib.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <vector>

namespace demo {

namespace {

// The raw multipart Content-Type is kept under this name so that the
// library reads the body as plain bytes (see the pre-routing handler).
constexpr const char* kRawTypeHeader = "X-Demo-Raw-Content-Type";
// Update files leave in pieces of this size, read as they are sent: sixteen
// downloads of a big file need sixteen pieces in memory, not sixteen files.
constexpr std::size_t kFileChunk = 64 * 1024;

// Bytes sent with a known length through a content provider: the library
// then sends them as they are and never compresses them a second time.
void SendBytes(httplib::Response& res, std::string bytes, const char* type, bool gzipped)
{
    if (gzipped)
        res.set_header("Content-Encoding", "gzip");
    auto data = std::make_shared<std::string>(std::move(bytes));
    const std::size_t size = data->size();
    res.set_content_provider(size, type, [data](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        sink.write(data->data() + offset, length);
        return true;
    });
}

void SendAnswer(httplib::Response& res, const std::string& answer)
{
    SendBytes(res, order::GzipCompress(answer), "text/html; charset=utf-8", true);
}

void SendFile(httplib::Response& res, std::shared_ptr<const UpdateFile> file)
{
    const std::size_t size = static_cast<std::size_t>(file->size());
    auto provide = [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        std::string chunk(std::min(length, kFileChunk), '\0');
        ssize_t n;
        do {
            n = ::pread(file->fd(), chunk.data(), chunk.size(), static_cast<off_t>(offset));
        } while (n < 0 && errno == EINTR);
        // A file cut short while it is sent ends the connection, so the
        // client never takes a short answer for the whole file.
        return n > 0 && sink.write(chunk.data(), static_cast<std::size_t>(n));
    };
    res.set_content_provider(size, "application/octet-stream", std::move(provide));
}

// The library's request handling (routing, reading the body, writing the
// answer) for the requests that the gate has read whole.
class RequestHandling : public httplib::Server {
public:
    bool Answer(httplib::Stream& stream, bool last)
    {
        bool closed = false;
        return process_request(stream, last, closed, {}) && !closed;
    }
    // The library writes a content provider's answer only while its own
    // listening socket looks open; the gate holds the real one, so any valid
    // value marks the service as running, and stopping ends long answers.
    void SetServing(bool serving) { svr_sock_ = serving ? 0 : INVALID_SOCKET; }
};

}  // namespace

struct DemoServer::Impl {
    DemoServerOptions options;
    std::string dbPath;
    bool ownsDbFile = false;
    RequestHandling server;
    std::unique_ptr<ConnectionGate> gate;
    int port = 0;
    std::string host = "127.0.0.1";
    std::mutex writeLock;

    std::mutex poolLock;
    std::vector<std::unique_ptr<Db>> pool;

    std::unique_ptr<Db> Acquire()
    {
        {
            std::lock_guard lock(poolLock);
            if (!pool.empty()) {
                auto db = std::move(pool.back());
                pool.pop_back();
                return db;
            }
        }
        auto db = std::make_unique<Db>();
        std::string error;
        if (!db->Open(dbPath, error))
            return nullptr;
        return db;
    }

    void Release(std::unique_ptr<Db> db)
    {
        std::lock_guard lock(poolLock);
        if (pool.size() < 32)
            pool.push_back(std::move(db));
    }

    bool PrepareDatabase(std::string& error)
    {
        if (dbPath.empty()) {
            const char* tmp = std::getenv("TMPDIR");
            std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/demo_server_XXXXXX";
            std::vector<char> buf(pattern.begin(), pattern.end());
            buf.push_back('\0');
            const int fd = ::mkstemp(buf.data());
            if (fd < 0) {
                error = "cannot create a temporary database file";
                return false;
            }
            ::close(fd);
            dbPath = buf.data();
            ownsDbFile = true;
        }
        Db db;
        if (!db.Open(dbPath, error))
            return false;
        bool created = false;
        if (!CreateSchema(db, created, error))
            return false;
        if (created && options.seed) {
            if (!SeedDemoData(db, error))
                return false;
            if (!AddLargeCatalog(db, options.largeCatalog, error))
                return false;
        }
        return true;
    }

    void HandleService(const httplib::Request& req, httplib::Response& res)
    {
        std::string elements, error;
        if (!ReadRequest(req.get_header_value(kRawTypeHeader), req.body, elements, error)) {
            res.status = 400;
            SendAnswer(res, FailureAnswer("-1", "요청을 읽을 수 없습니다: " + error));
            return;
        }
        auto db = Acquire();
        if (!db) {
            res.status = 503;
            SendAnswer(res, FailureAnswer("-9", "데이터베이스를 열 수 없습니다."));
            return;
        }
        const std::string answer = RunCommand(req.path, elements, *db, writeLock);
        Release(std::move(db));
        SendAnswer(res, answer);
    }

    void HandleUpdate(const httplib::Request& req, httplib::Response& res)
    {
        const std::string path = req.matches.size() > 1 ? req.matches[1].str() : std::string();
        const std::string& dir = options.updateDir;
        if (std::shared_ptr<const UpdateFile> file = OpenUpdateFile(dir, path)) {
            SendFile(res, std::move(file));
            return;
        }
        if (path == "nrclient.ini" && !dir.empty()) {
            SendBytes(res, BuildUpdateList(dir, options.updateProgram), "application/octet-stream", false);
            return;
        }
        res.status = 404;
        SendBytes(res, "not found", "text/plain", false);
    }
};

DemoServer::DemoServer(DemoServerOptions options) : impl_(std::make_unique<Impl>())
{
    impl_->options = std::move(options);
    impl_->dbPath = impl_->options.dbPath;
}

DemoServer::~DemoServer()
{
    Stop();
    impl_->pool.clear();
    if (impl_->ownsDbFile) {
        ::unlink(impl_->dbPath.c_str());
        ::unlink((impl_->dbPath + "-wal").c_str());
        ::unlink((impl_->dbPath + "-shm").c_str());
    }
}

bool DemoServer::Start(const std::string& host, int port)
{
    if (impl_->gate)
        return false;
    std::string error;
    if (!impl_->PrepareDatabase(error)) {
        std::cerr << "demo_server: database " << impl_->dbPath << ": " << error << "\n";
        return false;
    }
    Impl* impl = impl_.get();
    if (host != "0.0.0.0" && host != "::" && !host.empty())
        impl->host = host;
    GateLimits limits = impl->options.connections;
    limits.maxBody = kMaxRequestBody;
    auto& svr = impl->server;
    svr.set_payload_max_length(kMaxRequestBody);
    // Only what the answers' Keep-Alive header says; the gate keeps time.
    svr.set_keep_alive_timeout(
        std::max<time_t>(1, std::chrono::duration_cast<std::chrono::seconds>(limits.keepAlive).count()));
    svr.set_keep_alive_max_count(limits.maxRequestsPerConnection);
    // The client's part header is `name=POST; filename=GZCompressString`
    // without quotes, which the library's own multipart reader does not
    // take. Renaming the content type before the body is read makes the
    // library hand over the raw body, which RequestReader parses strictly.
    svr.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        if (req.method == "POST" && req.path.rfind("/NET/", 0) == 0) {
            auto& mutableReq = const_cast<httplib::Request&>(req);
            const std::string type = req.get_header_value("Content-Type");
            mutableReq.headers.erase("Content-Type");
            mutableReq.headers.erase(kRawTypeHeader);
            mutableReq.headers.emplace(kRawTypeHeader, type);
            mutableReq.headers.emplace("Content-Type", "application/octet-stream");
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    svr.Post(R"(/NET/[A-Za-z]+\.php)",
             [impl](const httplib::Request& req, httplib::Response& res) { impl->HandleService(req, res); });
    svr.Get(R"(/update/(.*))",
            [impl](const httplib::Request& req, httplib::Response& res) { impl->HandleUpdate(req, res); });
    svr.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        SendAnswer(res, FailureAnswer("-9", "처리 중 오류가 발생했습니다."));
    });

    auto gate = std::make_unique<ConnectionGate>(
        limits, [impl](httplib::Stream& stream, bool last) { return impl->server.Answer(stream, last); });
    if (!gate->Listen(host, port))
        return false;
    impl->port = gate->Port();
    svr.SetServing(true);
    gate->Start();
    impl->gate = std::move(gate);
    return true;
}

int DemoServer::Port() const
{
    return impl_->port;
}

std::string DemoServer::HostPort() const
{
    const std::string& h = impl_->host;
    return (h.find(':') != std::string::npos ? "[" + h + "]" : h) + ":" + std::to_string(impl_->port);
}

void DemoServer::Stop()
{
    if (impl_->gate) {
        impl_->server.SetServing(false);
        impl_->gate->Stop();
        impl_->gate.reset();
    }
}

bool DemoServer::SetOrderState(const std::string& orderCode, const std::string& state)
{
    auto db = impl_->Acquire();
    if (!db)
        return false;
    std::string error;
    const bool ok = demo::SetOrderState(*db, impl_->writeLock, orderCode, state, error);
    impl_->Release(std::move(db));
    return ok;
}

std::string DemoServer::DatabasePath() const
{
    return impl_->dbPath;
}

}  // namespace demo
