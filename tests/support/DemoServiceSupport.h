#pragma once

// The demo service for a suite of window tests: its database in a temporary
// folder, on a free loopback port, and the client's calls pointed at it.

#include "DemoServer.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace testsupport {

class SuiteService {
public:
    // False when the service cannot start.
    bool Start()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        demo::DemoServerOptions options;
        options.dbPath = (dir_->path() + QStringLiteral("/demo.db")).toStdString();
        server_ = std::make_unique<demo::DemoServer>(options);
        started_ = server_->Start("127.0.0.1", 0);
        return started_;
    }

    void Stop()
    {
        server_.reset();
        dir_.reset();
        started_ = false;
    }

    bool Started() const { return started_; }

    // The client's calls go to this service from now on.
    void Use() const { qputenv("ORDER_SERVICE_HOST", QByteArray::fromStdString(server_->HostPort())); }

    demo::DemoServer* operator->() const { return server_.get(); }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<demo::DemoServer> server_;
    bool started_ = false;
};

} // namespace testsupport
