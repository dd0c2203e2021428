#pragma once

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include "desktop/desktop.h"
#include "desktop/main_view.h"
#include "test_program.h"

// The whole program in virtual time with every window on (offscreen) widgets. A user's action
// on a widget becomes an event of the program; `handle` runs what is due, after which the
// windows have caught up.
struct DesktopTest : ::testing::Test {
    TestProgram t;
    frmTesting& f = t.form;
    Desktop desktop{t.program};

    void handle() { t.scheduler.run_for(0); }
    // Runs the action as an event of the program, as a timer or a link line would.
    void post(std::function<void()> action) {
        t.scheduler.post(std::move(action));
        handle();
    }
    void click(QAbstractButton* button) {
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        handle();
    }
    template <class Widget = QAbstractButton>
    Widget* find(QWidget* window, const char* name) {
        auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // Loads and shows the main window, as "Start Video Quelm" does.
    void start() {
        post([this] { f.show(); });
    }
};
