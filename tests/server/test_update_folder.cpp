// The update folder: the list the client compares against, and the files it
// fetches, with nothing outside the folder reachable.

#include "ServerTestSupport.h"
#include "UpdateList.h"

#include <atomic>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <thread>

using namespace demo_test;

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& p, const std::string& bytes)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string Crc(const std::string& bytes)
{
    return std::to_string(order::Crc32(bytes));
}

std::string Get(int port, const std::string& target)
{
    const RawResponse r = RawExchange(port, "GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    return r.complete && r.status == 200 ? r.body : "<" + std::to_string(r.status) + ">";
}

class UpdateFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = MakeTempDir("update_folder");
        dir_ = root_ / "update";
        Write(dir_ / "DATA" / "nrclient", program_);
        Write(dir_ / "DATA" / "libgrid.so", module_);
        Write(dir_ / "DATA" / "help.txt", "도움말");
        Write(dir_ / "DATA" / "IMAGE" / "NURILogo.bmp", picture_);
        Write(dir_ / "DATA" / "IMAGE" / "btn.png", "png bytes");
        // Left out of the list: hidden files, names with a comma, folders,
        // links (which could lead anywhere).
        Write(dir_ / "DATA" / ".hidden", "x");
        Write(dir_ / "DATA" / "a,b.dll", "x");
        fs::create_directories(dir_ / "DATA" / "sub");
        Write(root_ / "secret.txt", "secret");
        fs::create_symlink(root_ / "secret.txt", dir_ / "DATA" / "link.txt");
        Write(dir_ / "MESSAGE.txt", "새 버전 3.2 설치\r\n완료\n");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    fs::path root_, dir_;
    const std::string program_ = std::string("\x7f" "ELF program bytes\0\x01\x02", 21);
    const std::string module_ = "module bytes";
    const std::string picture_ = std::string(3000, '\xA5');
};

TEST_F(UpdateFolder, ListNamesEveryFileWithItsChecksum)
{
    const std::string list = demo::BuildUpdateList(dir_.string(), "nrclient");
    const std::string expected = "<VERSION>" + Crc(program_) + "</VERSION>\r\n" +
                                 "<MODULE>\r\n"
                                 "help.txt," + Crc("도움말") + "\r\n"
                                 "libgrid.so," + Crc(module_) + "\r\n"
                                 "</MODULE>\r\n"
                                 "<IMAGE>\r\n"
                                 "NURILogo.bmp," + Crc(picture_) + "\r\n"
                                 "btn.png," + Crc("png bytes") + "\r\n"
                                 "</IMAGE>\r\n"
                                 "<MESSAGE>새^버전^3.2^설치/완료</MESSAGE>\r\n";
    EXPECT_EQ(list, expected);
    // The client reads each section between its first markers.
    EXPECT_EQ(order::ExtractBetween(list, "<VERSION>", "</VERSION>"), Crc(program_));
    EXPECT_NE(order::ExtractBetween(list, "<MODULE>", "</MODULE>").find("libgrid.so,"), std::string::npos);
    // The client's checksum of the same bytes is the listed number.
    EXPECT_EQ(demo::FileCrc32((dir_ / "DATA" / "libgrid.so").string()).value(), order::Crc32(module_));
    EXPECT_FALSE(demo::FileCrc32((dir_ / "DATA" / "missing").string()).has_value());
}

TEST_F(UpdateFolder, ListWithoutTheProgramHasAnEmptyVersion)
{
    fs::remove(dir_ / "DATA" / "nrclient");
    const std::string list = demo::BuildUpdateList(dir_.string(), "nrclient");
    EXPECT_EQ(list.rfind("<VERSION></VERSION>\r\n", 0), 0u);
    EXPECT_EQ(demo::BuildUpdateList((root_ / "none").string(), "nrclient"),
              "<VERSION></VERSION>\r\n<MODULE>\r\n</MODULE>\r\n<IMAGE>\r\n</IMAGE>\r\n<MESSAGE></MESSAGE>\r\n");
}

TEST_F(UpdateFolder, ServiceServesTheListAndTheFilesOnly)
{
    demo::DemoServerOptions options;
    options.updateDir = dir_.string();
    ServiceEnvironment env("update_service", options);
    ASSERT_TRUE(env.started());
    const int port = env.port();
    EXPECT_EQ(Get(port, "/update/nrclient.ini"), demo::BuildUpdateList(dir_.string(), "nrclient"));
    EXPECT_EQ(Get(port, "/update/DATA/nrclient"), program_);
    EXPECT_EQ(Get(port, "/update/DATA/libgrid.so"), module_);
    EXPECT_EQ(Get(port, "/update/DATA/IMAGE/NURILogo.bmp"), picture_);
    // The update check fetches modules through the picture folder's address.
    EXPECT_EQ(Get(port, "/update/DATA/IMAGE/libgrid.so"), module_);

    const char* const refused[] = {
        "/update/DATA/../../secret.txt",    "/update/DATA/%2e%2e/%2e%2e/secret.txt",
        "/update/DATA/..%2f..%2fsecret.txt", "/update/DATA/IMAGE/..%2F..%2F..%2Fsecret.txt",
        "/update/../secret.txt",            "/update/DATA/link.txt",
        "/update/DATA/sub",                 "/update/DATA/.hidden",
        "/update/DATA/missing.dll",         "/update/MESSAGE.txt",
        "/update/DATA/IMAGE/",              "/update/DATA/%00nrclient",
        "/update/DATA/sub/../nrclient",     "/update/DATA//nrclient",
    };
    for (const char* target : refused)
        EXPECT_EQ(Get(port, target), "<404>") << target;
}

TEST_F(UpdateFolder, AHandWrittenListIsServedAsItIs)
{
    const std::string own = "<VERSION>0123</VERSION>\r\n<MODULE>\r\nlibgrid.so,0099\r\n</MODULE>\r\n";
    Write(dir_ / "nrclient.ini", own);
    demo::DemoServerOptions options;
    options.updateDir = dir_.string();
    ServiceEnvironment env("update_service", options);
    ASSERT_TRUE(env.started());
    EXPECT_EQ(Get(env.port(), "/update/nrclient.ini"), own);
}

TEST_F(UpdateFolder, ALinkSwappedInIsNeverServed)
{
    demo::DemoServerOptions options;
    options.updateDir = dir_.string();
    ServiceEnvironment env("update_swap", options);
    ASSERT_TRUE(env.started());

    // The file flips between a regular file and a link to a secret while it
    // is asked for, so that some requests fall between a check and an open.
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        for (int i = 0; !stop; ++i) {
            const fs::path next = dir_ / "DATA" / ".next";
            std::error_code ec;
            if (i % 2)
                fs::create_symlink(root_ / "secret.txt", next, ec);
            else
                Write(next, "plain");
            fs::rename(next, dir_ / "DATA" / "swap.txt", ec);
        }
    });
    // Several clients at once widen the window a check-then-open leaves.
    std::map<std::string, int> seen;
    std::mutex seenLock;
    std::vector<std::thread> clients;
    for (int t = 0; t < 4; ++t)
        clients.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) {
                const std::string got = Get(env.port(), "/update/DATA/swap.txt");
                std::lock_guard lock(seenLock);
                ++seen[got];
            }
        });
    for (auto& c : clients)
        c.join();
    stop = true;
    swapper.join();
    EXPECT_EQ(seen["secret"], 0);
    EXPECT_GT(seen["plain"], 0);
    EXPECT_EQ(seen["plain"] + seen["<404>"], 4000);

    // A folder below the update folder that is a link leads outside it.
    Write(root_ / "outside" / "secret.png", "secret");
    fs::remove_all(dir_ / "DATA" / "IMAGE");
    fs::create_directory_symlink(root_ / "outside", dir_ / "DATA" / "IMAGE");
    EXPECT_EQ(Get(env.port(), "/update/DATA/IMAGE/secret.png"), "<404>");
    EXPECT_EQ(order::ExtractBetween(Get(env.port(), "/update/nrclient.ini"), "<IMAGE>", "</IMAGE>"), "\r\n");
}

TEST_F(UpdateFolder, BigFilesAreSentAsTheyAreRead)
{
    // Six gibibytes that take no room on disk: far more than sixteen
    // downloads could hold in memory at once, and a size past 32 bits.
    const fs::path big = dir_ / "DATA" / "big.bin";
    const std::uintmax_t size = std::uintmax_t(6) << 30;
    Write(big, "");
    fs::resize_file(big, size);
    demo::DemoServerOptions options;
    options.updateDir = dir_.string();
    ServiceEnvironment env("update_big", options);
    ASSERT_TRUE(env.started());
    const int port = env.port();

    // Each of sixteen downloads gets its first mebibyte, then hangs up.
    const auto firstMebibyte = [port] {
        const int fd = ConnectLoopback(port);
        SendAll(fd, "GET /update/DATA/big.bin HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        std::string data;
        char buf[65536];
        ssize_t n;
        while (data.size() < (std::size_t(1) << 20) && (n = ::recv(fd, buf, sizeof buf, 0)) > 0)
            data.append(buf, static_cast<std::size_t>(n));
        ::close(fd);
        const std::size_t end = data.find("\r\n\r\n");
        return end != std::string::npos &&
               data.find("Content-Length: " + std::to_string(std::uintmax_t(6) << 30)) < end &&
               data.find_first_not_of('\0', end + 4) == std::string::npos && data.size() >= (std::size_t(1) << 20);
    };
    std::vector<std::future<bool>> downloads;
    for (int i = 0; i < 16; ++i)
        downloads.push_back(std::async(std::launch::async, firstMebibyte));
    for (auto& d : downloads)
        EXPECT_TRUE(d.get());
    EXPECT_EQ(Get(port, "/update/DATA/libgrid.so"), module_);
}

TEST(UpdateFileNames, OnlySinglePlainComponentsAreSafe)
{
    for (const char* ok : {"nrclient", "libgrid.so.1", "NURILogo.bmp", "한글.png", "a b.txt"})
        EXPECT_TRUE(demo::IsSafeFileName(ok)) << ok;
    for (const char* bad : {"", ".", "..", ".hidden", "a/b", "a\\b", "c:x", "a\nb", "a\tb"})
        EXPECT_FALSE(demo::IsSafeFileName(bad)) << bad;
}

}  // namespace
