#include "window_test_support.h"

#include "mainwindow/gui_thread_call.h"

#include <stdexcept>
#include <string>
#include <thread>

namespace gw::test {
namespace {

// A call that throws on the GUI thread hands its exception back to the
// waiting worker, and the loop goes on serving the next call.
TEST_F(WindowTest, GuiCallThatThrowsReleasesItsCallerWithTheException) {
    GuiThreadCall gui;
    std::string caught;
    bool next_call_ran = false;
    std::thread worker([&] {
        try {
            gui.run([] { throw std::runtime_error("no room"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        gui.run([&] { next_call_ran = true; });
    });
    join_while_serving(worker);
    EXPECT_EQ(caught, "no room");
    EXPECT_TRUE(next_call_ran);
}

} // namespace
} // namespace gw::test
