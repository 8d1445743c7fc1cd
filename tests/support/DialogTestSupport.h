#pragma once

// Driving a modal dialog from a test: the dialog is created into its global
// pointer, shown with exec(), and the test's actions run from a timer inside
// the dialog's own loop.

#include "QStringPrinter.h"
#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>
#include <ostream>

namespace dialog_test {

// Runs `drive` once the dialog behind `global` is shown, then returns the
// result of exec(). A dialog still open after `drive` is a failure.
template <typename Dialog> int RunModal(Dialog* const& global, std::function<void(Dialog&)> drive)
{
    Dialog* d = global;
    EXPECT_NE(d, nullptr);
    if (!d)
        return -1;
    bool driven = false;
    QTimer::singleShot(0, [&] {
        Dialog* w = global;
        ASSERT_NE(w, nullptr);
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        drive(*w);
        driven = true;
        if (global == w && w->isVisible()) {
            ADD_FAILURE() << "window still open after the test's actions";
            w->done(2);
        }
    });
    const int result = d->exec();
    EXPECT_TRUE(driven);
    return result;
}

// Runs `action` inside the loop of a nested modal window once it is shown.
template <typename Dialog> void WhenShown(Dialog* const& global, std::function<void(Dialog*)> action, int tries = 1000)
{
    QTimer::singleShot(tries == 1000 ? 0 : 5, [&global, action, tries]() {
        if (global && global->isVisible() && QApplication::activeModalWidget() == global)
            action(global);
        else if (tries > 0)
            WhenShown(global, action, tries - 1);
    });
}

} // namespace dialog_test
