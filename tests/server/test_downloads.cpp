// Clients that fetch a big update file and read it slowly, or not at all,
// hold no thread of the service: every other call is answered at once while
// they go on.

#include "ServerTestSupport.h"

#include <poll.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace demo_test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kFileSize = std::uintmax_t(200) << 20;
const std::string kGet = "GET /update/DATA/big.bin HTTP/1.1\r\nHost: x\r\n\r\n";

class Downloads : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root_ = new fs::path(MakeTempDir("downloads"));
        // Two hundred mebibytes that take no room on disk.
        const fs::path big = *root_ / "update" / "DATA" / "big.bin";
        fs::create_directories(big.parent_path());
        std::ofstream(big, std::ios::binary).flush();
        fs::resize_file(big, kFileSize);
        demo::DemoServerOptions options;
        options.updateDir = (*root_ / "update").string();
        // A stalled download is let go after one idle second.
        options.connections.idle = 1s;
        env_ = new ServiceEnvironment("downloads", options);
    }
    static void TearDownTestSuite()
    {
        delete env_;
        env_ = nullptr;
        std::error_code ec;
        fs::remove_all(*root_, ec);
        delete root_;
    }
    void SetUp() override { ASSERT_TRUE(env_->started()); }

    // Runs `clients` copies of `client` for `seconds` while the client's own
    // calls go on beside them.
    template <typename Client>
    static CallTimes WhileClientsRun(int clients, std::chrono::milliseconds seconds, Client client)
    {
        std::atomic<bool> stop{false};
        std::vector<std::thread> threads;
        for (int i = 0; i < clients; ++i)
            threads.emplace_back([&] { client(stop); });
        std::this_thread::sleep_for(300ms);
        std::atomic<bool> callsStop{false};
        std::thread timer([&] {
            std::this_thread::sleep_for(seconds);
            callsStop = true;
        });
        const CallTimes times = TimeCalls(callsStop, 50ms);
        timer.join();
        stop = true;
        for (auto& t : threads)
            t.join();
        return times;
    }

    static fs::path* root_;
    static ServiceEnvironment* env_;
};

fs::path* Downloads::root_ = nullptr;
ServiceEnvironment* Downloads::env_ = nullptr;

TEST_F(Downloads, SlowReadersHoldUpNoOne)
{
    for (const int readers : {16, 64}) {
        std::atomic<std::size_t> received{0};
        std::atomic<int> cutOff{0};
        // Each takes about half a megabyte a second: the file would take
        // minutes.
        const CallTimes times = WhileClientsRun(readers, 2500ms, [&](const std::atomic<bool>& stop) {
            const int fd = ConnectLoopback(env_->port(), 16 * 1024);
            if (fd < 0 || !SendAll(fd, kGet)) {
                ++cutOff;
                return;
            }
            char buf[25000];
            auto next = Clock::now();
            while (!stop) {
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    ++cutOff;
                    break;
                }
                received += static_cast<std::size_t>(n);
                next += 50ms;
                std::this_thread::sleep_until(next);
            }
            ::close(fd);
        });
        EXPECT_EQ(times.failed, 0) << readers << " readers";
        EXPECT_LT(times.longest, 1.0) << readers << " readers";
        EXPECT_GT(times.calls, 10) << readers << " readers";
        EXPECT_EQ(cutOff, 0) << readers << " readers";
        // Every reader got its share: its answer was being sent, not queued.
        EXPECT_GT(received.load(), std::size_t(readers) * 300 * 1000) << readers << " readers";
    }
}

TEST_F(Downloads, StallingDownloadersHoldUpNoOne)
{
    for (const int clients : {16, 64}) {
        std::atomic<int> asked{0}, letGo{0}, stillSending{0};
        // Each asks for the file, reads nothing, and asks again on a new
        // connection a little after the service has given up on the last.
        const CallTimes times = WhileClientsRun(clients, 4500ms, [&](const std::atomic<bool>& stop) {
            while (!stop) {
                const int fd = ConnectLoopback(env_->port(), 16 * 1024);
                if (fd < 0)
                    return;
                SendAll(fd, kGet);
                ++asked;
                int waited = 0;
                for (; waited < 20 && !stop; ++waited)
                    std::this_thread::sleep_for(100ms);
                if (waited < 20) {
                    ::close(fd);
                    break;
                }
                // What the service sent before it gave up is still in the
                // socket buffers; after it the connection must end.
                char buf[65536];
                std::size_t drained = 0;
                ssize_t n;
                while (drained < (std::size_t(16) << 20) && (n = ::recv(fd, buf, sizeof buf, 0)) > 0)
                    drained += static_cast<std::size_t>(n);
                if (drained >= (std::size_t(16) << 20))
                    ++stillSending;
                else
                    letGo += n == 0;
                ::close(fd);
            }
        });
        EXPECT_EQ(times.failed, 0) << clients << " clients";
        EXPECT_LT(times.longest, 1.0) << clients << " clients";
        EXPECT_GT(times.calls, 10) << clients << " clients";
        EXPECT_GE(asked.load(), 2 * clients) << clients << " clients";
        // Every download that stalled for its two seconds had been closed
        // by the service.
        EXPECT_GE(letGo.load(), clients) << clients << " clients";
        EXPECT_EQ(stillSending.load(), 0) << clients << " clients";
    }
}

}  // namespace
