// demo_server: the demo supplier service on loopback, and the supplier's
// receiving command that moves an order to another state.

#include "Commands.h"
#include "DemoData.h"
#include "DemoServer.h"
#include "UpdateList.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

void Usage(std::ostream& out)
{
    out << "usage: demo_server [--db FILE] [--host HOST] [--port N] [--update-dir DIR]\n"
           "                   [--update-program NAME] [--large-catalog N] [--port-file FILE]\n"
           "       demo_server --db FILE --set-state ORDERCODE STATE   (STATE: A, I, O or X)\n"
           "       demo_server --update-dir DIR --print-update-list\n"
           "       demo_server --print-logins\n"
           "Serves on HOST (default 127.0.0.1), port N (0 or none: a free port); a new\n"
           "database file is created and seeded with the demo data; without --db a\n"
           "temporary one is used and removed at exit.\n";
}

bool ParseInt(const char* text, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!end || *end != '\0' || v < 0 || v > 10000000)
        return false;
    out = static_cast<int>(v);
    return true;
}

int SetStateCommand(const std::string& dbPath, const std::string& code, const std::string& state)
{
    struct stat st {};
    if (dbPath.empty() || ::stat(dbPath.c_str(), &st) != 0) {
        std::cerr << "demo_server: --set-state needs the service's existing database (--db FILE)\n";
        return 2;
    }
    demo::Db db;
    std::string error;
    bool created = false;
    if (!db.Open(dbPath, error) || !demo::CreateSchema(db, created, error)) {
        std::cerr << "demo_server: " << dbPath << ": " << error << "\n";
        return 1;
    }
    std::mutex lock;
    if (!demo::SetOrderState(db, lock, code, state, error)) {
        std::cerr << "demo_server: " << error << "\n";
        return 1;
    }
    std::cout << "order " << code << " is now in state " << state << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    demo::DemoServerOptions options;
    std::string host = "127.0.0.1";
    int port = 0;
    std::string portFile, setCode, setState;
    bool setStateMode = false, printList = false, printLogins = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                std::cerr << "demo_server: " << arg << " needs a value\n";
                std::exit(2);
            }
            out = argv[++i];
        };
        std::string v;
        if (arg == "--db") {
            value(options.dbPath);
        } else if (arg == "--host") {
            value(host);
        } else if (arg == "--port" || arg == "--large-catalog") {
            value(v);
            int n = 0;
            if (!ParseInt(v.c_str(), n) || (arg == "--port" && n > 65535)) {
                std::cerr << "demo_server: bad number for " << arg << ": " << v << "\n";
                return 2;
            }
            (arg == "--port" ? port : options.largeCatalog) = n;
        } else if (arg == "--update-dir") {
            value(options.updateDir);
        } else if (arg == "--update-program") {
            value(options.updateProgram);
        } else if (arg == "--port-file") {
            value(portFile);
        } else if (arg == "--set-state") {
            if (i + 2 >= argc) {
                std::cerr << "demo_server: --set-state needs ORDERCODE and STATE\n";
                return 2;
            }
            setCode = argv[++i];
            setState = argv[++i];
            setStateMode = true;
        } else if (arg == "--print-update-list") {
            printList = true;
        } else if (arg == "--print-logins") {
            printLogins = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage(std::cout);
            return 0;
        } else {
            std::cerr << "demo_server: unknown option " << arg << "\n";
            Usage(std::cerr);
            return 2;
        }
    }

    if (setStateMode)
        return SetStateCommand(options.dbPath, setCode, setState);
    if (printLogins) {
        std::cout << demo::DemoLoginsText();
        return 0;
    }
    if (printList) {
        if (options.updateDir.empty()) {
            std::cerr << "demo_server: --print-update-list needs --update-dir\n";
            return 2;
        }
        std::cout << demo::BuildUpdateList(options.updateDir, options.updateProgram);
        return 0;
    }

    // A shop that hangs up in the middle of an answer must not end the
    // service.
    std::signal(SIGPIPE, SIG_IGN);

    // Every open connection costs a descriptor; the service caps connections
    // below this limit, so take what the system allows.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }

    // The serving threads inherit this mask; the main thread waits for the
    // signal and stops the service cleanly (the temporary database goes).
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    demo::DemoServer server(options);
    if (!server.Start(host, port)) {
        std::cerr << "demo_server: cannot listen on " << host << ":" << port << "\n";
        return 1;
    }
    if (!portFile.empty()) {
        const std::string tmp = portFile + ".tmp";
        {
            std::ofstream out(tmp, std::ios::trunc);
            out << server.Port() << "\n";
        }
        std::rename(tmp.c_str(), portFile.c_str());
    }
    std::cout << "demo_server: serving on " << server.HostPort() << " (database " << server.DatabasePath() << ")"
              << std::endl;

    int received = 0;
    sigwait(&signals, &received);
    std::cout << "demo_server: stopping" << std::endl;
    server.Stop();
    return 0;
}
