// The calendar on a real X display: its frame gets no title. Qt would give a
// window with an empty title the program's name, which a window manager
// shows in the frame. The test starts its own Xvfb and runs the window part
// in a child process of this program on the xcb platform.

#include "DataModule.h"
#include "TFrmCA.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace order;

namespace {

constexpr const char* kChildVariable = "CALENDAR_X11_CHILD";

// The text of a string property of a window, "<none>" when it is not set.
std::string Property(xcb_connection_t* c, xcb_window_t window, const char* name)
{
    xcb_intern_atom_reply_t* atom
        = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    if (!atom)
        return "<no atom>";
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
    std::free(atom);
    if (!reply)
        return "<no reply>";
    std::string value = reply->type == XCB_NONE
        ? std::string("<none>")
        : std::string(static_cast<const char*>(xcb_get_property_value(reply)),
              static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return value;
}

} // namespace

// Runs only inside the child, on the display the parent started.
TEST(CalendarOnX11Child, FrameNameIsEmpty)
{
    if (qEnvironmentVariable(kChildVariable) != QLatin1String("1"))
        GTEST_SKIP() << "runs in the child process of CalendarOnX11.FrameHasNoTitle";
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    auto dm = std::make_unique<TDM>();
    auto* calendar = new TFrmCA();
    calendar->InputText = QStringLiteral("261209");
    calendar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(calendar));
    QTest::qWait(50);
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);
    const auto window = static_cast<xcb_window_t>(calendar->winId());
    EXPECT_EQ(Property(x11->connection(), window, "WM_NAME"), "");
    EXPECT_EQ(Property(x11->connection(), window, "_NET_WM_NAME"), "");
    const QString shot = qEnvironmentVariable("CALENDAR_X11_SCREENSHOT");
    if (!shot.isEmpty())
        calendar->grab().save(shot);
    delete calendar;
}

TEST(CalendarOnX11, FrameHasNoTitle)
{
    if (qEnvironmentVariable(kChildVariable) == QLatin1String("1"))
        GTEST_SKIP() << "the parent's part";
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    ASSERT_FALSE(xvfb.isEmpty()) << "Xvfb (package xvfb) is needed";

    // Xvfb picks a free display and writes its number to the pipe.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    QProcess server;
    server.setProgram(xvfb);
    server.setArguments({ QStringLiteral("-displayfd"), QString::number(fds[1]), QStringLiteral("-nolisten"),
        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24") });
    server.setChildProcessModifier([fd = fds[0]] { ::close(fd); });
    server.start();
    ::close(fds[1]);
    ASSERT_TRUE(server.waitForStarted(10000));
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not report a display";

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromStdString(number));
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--gtest_filter=CalendarOnX11Child.*") });
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("SKIPPED"))) << output.toStdString();

    server.terminate();
    server.waitForFinished(5000);
}
