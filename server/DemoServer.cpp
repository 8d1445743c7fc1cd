#include "DemoServer.h"

#include "Commands.h"
#include "DemoData.h"
#include "Gzip.h"
#include "RequestReader.h"
#include "Sqlite.h"
#include "UpdateList.h"

#include <microhttpd.h>

#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string_view>
#include <vector>

namespace demo {

namespace {

using Clock = std::chrono::steady_clock;

// Update files leave in pieces of this size, read as they are sent: sixteen
// downloads of a big file need sixteen pieces in memory, not sixteen files.
constexpr std::size_t kFileChunk = 64 * 1024;

// One request, from its request line to the end of its answer.
struct Exchange {
    Clock::time_point started = Clock::now();
    bool headChecked = false;
    bool service = false;      // POST /NET/<script>.php; its body is kept
    std::size_t reserved = 0;  // bytes of the shared body allowance held
    std::string body;
};

bool IsServiceScript(std::string_view path)
{
    constexpr std::string_view kDir = "/NET/", kExt = ".php";
    if (path.size() <= kDir.size() + kExt.size() || path.substr(0, kDir.size()) != kDir ||
        path.substr(path.size() - kExt.size()) != kExt)
        return false;
    const std::string_view name = path.substr(kDir.size(), path.size() - kDir.size() - kExt.size());
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// The header lines as the service judges them before any body is read.
struct HeadFacts {
    std::size_t lines = 0;
    std::size_t lengths = 0;  // Content-Length lines
    std::string_view length;
    bool transferEncoding = false;
    bool blankInName = false;
};

MHD_Result CountHeader(void* cls, MHD_ValueKind, const char* key, const char* value)
{
    auto& facts = *static_cast<HeadFacts*>(cls);
    const std::string_view name(key);
    ++facts.lines;
    facts.blankInName = facts.blankInName || name.find_first_of(" \t") != std::string_view::npos;
    if (EqualsNoCase(name, MHD_HTTP_HEADER_TRANSFER_ENCODING))
        facts.transferEncoding = true;
    if (EqualsNoCase(name, MHD_HTTP_HEADER_CONTENT_LENGTH)) {
        ++facts.lengths;
        facts.length = value ? value : "";
    }
    return MHD_YES;
}

// Hands the bytes to libmicrohttpd without a copy; it frees them once sent.
MHD_Result Send(MHD_Connection* c, unsigned status, std::string bytes, const char* type, bool gzipped,
                bool close = false)
{
    auto* owned = new std::string(std::move(bytes));
    MHD_Response* r = MHD_create_response_from_buffer_with_free_callback_cls(
        owned->size(), owned->data(), [](void* p) { delete static_cast<std::string*>(p); }, owned);
    if (!r) {
        delete owned;
        return MHD_NO;
    }
    MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    if (gzipped)
        MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_ENCODING, "gzip");
    if (close)
        MHD_add_response_header(r, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued = MHD_queue_response(c, status, r);
    MHD_destroy_response(r);
    return queued;
}

MHD_Result SendAnswer(MHD_Connection* c, unsigned status, const std::string& answer)
{
    return Send(c, status, order::GzipCompress(answer), "text/html; charset=utf-8", true);
}

// A request refused on its head: a short reason, and the connection closes
// without its body being read.
MHD_Result Refuse(MHD_Connection* c, unsigned status, const std::string& reason)
{
    return Send(c, status, reason + "\n", "text/plain; charset=utf-8", false, true);
}

ssize_t ReadFilePiece(void* cls, std::uint64_t pos, char* buf, std::size_t max)
{
    const auto* file = static_cast<const UpdateFile*>(cls);
    ssize_t n;
    do {
        n = ::pread(file->fd(), buf, max, static_cast<off_t>(pos));
    } while (n < 0 && errno == EINTR);
    // A file cut short while it is sent ends the connection, so the client
    // never takes a short answer for the whole file.
    return n > 0 ? n : MHD_CONTENT_READER_END_WITH_ERROR;
}

// Read on the connection's own thread whenever the client has taken the
// piece before; a client that reads slowly or not at all holds no thread.
MHD_Result SendFile(MHD_Connection* c, std::unique_ptr<UpdateFile> file)
{
    const std::uint64_t size = file->size();
    MHD_Response* r = MHD_create_response_from_callback(size, kFileChunk, &ReadFilePiece, file.get(),
                                                        [](void* p) { delete static_cast<UpdateFile*>(p); });
    if (!r)
        return MHD_NO;
    file.release();
    MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, "application/octet-stream");
    const MHD_Result queued = MHD_queue_response(c, MHD_HTTP_OK, r);
    MHD_destroy_response(r);
    return queued;
}

}  // namespace

struct DemoServer::Impl {
    DemoServerOptions options;
    ConnectionLimits limits;
    std::string dbPath;
    bool ownsDbFile = false;
    MHD_Daemon* daemon = nullptr;
    int port = 0;
    std::string host = "127.0.0.1";
    std::mutex writeLock;
    std::atomic<std::size_t> buffered{0};

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

    // The head has arrived whole: refuses what the protocol never sends
    // before a byte of the body is read. libmicrohttpd itself refuses a
    // head larger than the connection's memory (431) and a Content-Length
    // that is not a number (400); it frames a body by Transfer-Encoding
    // ahead of Content-Length, so any Transfer-Encoding is refused here
    // and the body can only ever be read one way.
    MHD_Result BeginRequest(MHD_Connection* c, std::string_view url, std::string_view method, Exchange& ex)
    {
        HeadFacts head;
        MHD_get_connection_values(c, MHD_HEADER_KIND, &CountHeader, &head);
        if (head.lines > limits.maxHeaderLines)
            return Refuse(c, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE,
                          "more than " + std::to_string(limits.maxHeaderLines) + " header lines");
        if (head.blankInName)
            return Refuse(c, MHD_HTTP_BAD_REQUEST, "a header name with a blank");
        if (head.transferEncoding)
            return Refuse(c, MHD_HTTP_LENGTH_REQUIRED,
                          "Transfer-Encoding is not accepted; send the body with one Content-Length");
        if (head.lengths > 1)
            return Refuse(c, MHD_HTTP_BAD_REQUEST, "more than one Content-Length");
        if (head.length.size() > 18 || !std::all_of(head.length.begin(), head.length.end(),
                                                     [](char ch) { return ch >= '0' && ch <= '9'; }))
            return Refuse(c, MHD_HTTP_BAD_REQUEST, "Content-Length is not a number");
        const std::size_t length = head.length.empty() ? 0 : std::stoull(std::string(head.length));
        if (length > kMaxRequestBody)
            return Refuse(c, MHD_HTTP_CONTENT_TOO_LARGE,
                          "the body is larger than " + std::to_string(kMaxRequestBody) + " bytes");
        if (Clock::now() > ex.started + limits.wholeRequest)
            return Refuse(c, MHD_HTTP_REQUEST_TIMEOUT, "the request did not arrive whole in time");
        ex.service = method == MHD_HTTP_METHOD_POST && IsServiceScript(url);
        if (ex.service) {
            if (buffered.fetch_add(length) + length > limits.maxBufferedBytes) {
                buffered.fetch_sub(length);
                return Refuse(c, MHD_HTTP_SERVICE_UNAVAILABLE, "the service is receiving too much at once; try again");
            }
            ex.reserved = length;
        }
        return MHD_YES;
    }

    MHD_Result Answer(MHD_Connection* c, std::string_view url, std::string_view method, Exchange& ex)
    {
        if (ex.service)
            return AnswerService(c, url, ex);
        constexpr std::string_view kUpdate = "/update/";
        if ((method == MHD_HTTP_METHOD_GET || method == MHD_HTTP_METHOD_HEAD) &&
            url.substr(0, kUpdate.size()) == kUpdate)
            return AnswerUpdate(c, url.substr(kUpdate.size()));
        // Nothing else is served; empty, as the service has always answered.
        return Send(c, MHD_HTTP_NOT_FOUND, {}, "text/plain", false);
    }

    MHD_Result AnswerService(MHD_Connection* c, std::string_view url, Exchange& ex)
    {
        const char* type = MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE);
        std::string elements, error;
        const bool readable = ReadRequest(type ? type : "", ex.body, elements, error);
        std::string().swap(ex.body);
        if (!readable)
            return SendAnswer(c, MHD_HTTP_BAD_REQUEST, FailureAnswer("-1", "요청을 읽을 수 없습니다: " + error));
        auto db = Acquire();
        if (!db)
            return SendAnswer(c, MHD_HTTP_SERVICE_UNAVAILABLE, FailureAnswer("-9", "데이터베이스를 열 수 없습니다."));
        const std::string answer = RunCommand(url, elements, *db, writeLock);
        Release(std::move(db));
        return SendAnswer(c, MHD_HTTP_OK, answer);
    }

    MHD_Result AnswerUpdate(MHD_Connection* c, std::string_view path)
    {
        const std::string& dir = options.updateDir;
        if (std::unique_ptr<UpdateFile> file = OpenUpdateFile(dir, path))
            return SendFile(c, std::move(file));
        if (path == "nrclient.ini" && !dir.empty())
            return Send(c, MHD_HTTP_OK, BuildUpdateList(dir, options.updateProgram), "application/octet-stream",
                        false);
        return Send(c, MHD_HTTP_NOT_FOUND, "not found", "text/plain", false);
    }

    MHD_Result Handle(MHD_Connection* c, const char* url, const char* method, const char* data, std::size_t* size,
                      Exchange& ex)
    {
        if (!ex.headChecked) {
            ex.headChecked = true;
            return BeginRequest(c, url, method, ex);
        }
        if (*size != 0) {
            // Past its time the request is not answered: an answer can only
            // be queued once the whole body is in, and this one may never be.
            if (Clock::now() > ex.started + limits.wholeRequest)
                return MHD_NO;
            if (ex.service)
                ex.body.append(data, *size);  // no more than the Content-Length checked on the head
            *size = 0;
            return MHD_YES;
        }
        return Answer(c, url, method, ex);
    }

    // libmicrohttpd's callbacks.

    static void* RequestLine(void* cls, const char*, MHD_Connection*) { return new Exchange; }

    static void Completed(void* cls, MHD_Connection*, void** context, MHD_RequestTerminationCode)
    {
        auto* ex = static_cast<Exchange*>(*context);
        if (ex)
            static_cast<Impl*>(cls)->buffered.fetch_sub(ex->reserved);
        delete ex;
        *context = nullptr;
    }

    static MHD_Result Access(void* cls, MHD_Connection* c, const char* url, const char* method, const char*,
                             const char* data, std::size_t* size, void** context)
    {
        auto* impl = static_cast<Impl*>(cls);
        auto* ex = static_cast<Exchange*>(*context);
        if (!ex)  // every request line makes one; never without it
            return MHD_NO;
        try {
            return impl->Handle(c, url, method, data, size, *ex);
        } catch (...) {
            if (ex->headChecked && *size == 0)
                return SendAnswer(c, MHD_HTTP_INTERNAL_SERVER_ERROR,
                                  FailureAnswer("-9", "처리 중 오류가 발생했습니다."));
            return MHD_NO;
        }
    }

    bool Listen(const std::string& address, int listenPort)
    {
        const ConnectionLimits& l = limits;
        // Room for the database files and whatever else the process opens.
        unsigned connections = std::max(l.maxConnections, l.threads);
        rlimit files{};
        if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY)
            connections = static_cast<unsigned>(
                std::min<rlim_t>(connections, files.rlim_cur > 256 ? files.rlim_cur - 200 : 32));
        connections = std::max(connections, l.threads);

        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
        addrinfo* found = nullptr;
        const std::string service = std::to_string(listenPort);
        if (::getaddrinfo(address.empty() ? nullptr : address.c_str(), service.c_str(), &hints, &found) != 0)
            return false;
        for (addrinfo* a = found; a && !daemon; a = a->ai_next) {
            unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD;
            if (a->ai_family == AF_INET6)
                flags |= MHD_USE_DUAL_STACK;
            daemon = MHD_start_daemon(
                flags, 0, nullptr, nullptr, &Access, this,
                MHD_OPTION_SOCK_ADDR, a->ai_addr,
                MHD_OPTION_THREAD_POOL_SIZE, std::max(1u, l.threads),
                MHD_OPTION_CONNECTION_LIMIT, connections,
                MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(std::max<long long>(1, l.idle.count())),
                MHD_OPTION_CONNECTION_MEMORY_LIMIT, l.connectionMemory,
                MHD_OPTION_LISTEN_BACKLOG_SIZE, l.backlog,
                MHD_OPTION_URI_LOG_CALLBACK, &RequestLine, this,
                MHD_OPTION_NOTIFY_COMPLETED, &Completed, this,
                MHD_OPTION_END);
        }
        ::freeaddrinfo(found);
        if (!daemon)
            return false;
        const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_BIND_PORT);
        port = info ? info->port : 0;
        return true;
    }
};

DemoServer::DemoServer(DemoServerOptions options) : impl_(std::make_unique<Impl>())
{
    impl_->options = std::move(options);
    impl_->limits = impl_->options.connections;
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
    if (impl_->daemon)
        return false;
    std::string error;
    if (!impl_->PrepareDatabase(error)) {
        std::cerr << "demo_server: database " << impl_->dbPath << ": " << error << "\n";
        return false;
    }
    if (host != "0.0.0.0" && host != "::" && !host.empty())
        impl_->host = host;
    return impl_->Listen(host, port);
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
    if (impl_->daemon) {
        MHD_stop_daemon(impl_->daemon);
        impl_->daemon = nullptr;
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
