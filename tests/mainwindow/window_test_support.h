#pragma once
// Shared by the window tests: a QApplication for the whole run (see
// window_test_support.cpp), a fixture with a fresh program directory and a
// main window, and helpers that speak to the window's server as the
// platform does while the GUI thread keeps serving.
#include "mainwindow/main_window.h"
#include "menu/menu_data.h"
#include "support/raw_http.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <thread>

namespace gw::test {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    template <class T>
    T* control(const char* name) const {
        return window_->findChild<T*>(QString::fromUtf8(name));
    }
    // The whole text of 编辑框1.
    QString log_text() const;

    TempDir home_;
    MenuDataScope menu_data_;
    std::unique_ptr<MainWindow> window_;
};

// UTF-8 in, local text out, for texts written in this source.
std::string local(const char* utf8);

// A verification GET signed with `token`.
std::string verification_request(const std::string& token, const std::string& echostr);

// Sends `request` to 127.0.0.1:`port` from a helper thread while this
// (GUI) thread keeps handling events, and returns all bytes received until
// the server closed the connection.
std::string send_request(quint16 port, const std::string& request);

// Joins `thread` while this (GUI) thread keeps handling events, so that
// calls the thread carries to the GUI thread get done.
void join_while_serving(std::thread& thread);

struct Response {
    std::string before_date;  // status line and headers up to "Date: "
    std::string body;         // after the blank line
};
Response split_response(const std::string& bytes);

} // namespace gw::test
