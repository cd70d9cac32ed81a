// The application object's start-up and exit sequence, with the skin library's calls recorded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/firewall_app.h"

namespace {

struct Log {
    std::vector<std::string> events;
};

class RecordingSkin : public palisor::SkinLibrary {
public:
    explicit RecordingSkin(Log& log) : log_(log) {}
    void Open(HINSTANCE module, const char* product, void* reserved1, void* reserved2) override {
        log_.events.push_back(std::string("open ") + product + (module ? " module" : " no module") +
                              (reserved1 == nullptr && reserved2 == nullptr ? " null null" : " ?"));
    }
    void LoadSkinFromResource(HINSTANCE module, const char* name, const char* type) override {
        log_.events.push_back(std::string("load ") + name + " " + type + (module ? " module" : " no module"));
    }
    void SkinDialogs(const char* scheme) override { log_.events.push_back(std::string("dialogs ") + scheme); }
    void Close() override { log_.events.push_back("close"); }

private:
    Log& log_;
};

class RecordingApp : public CfirewallApp {
public:
    RecordingApp(palisor::SkinLibrary& skin, Log& log) : CfirewallApp(skin), log_(log) {}

protected:
    void RunMainWindow() override { log_.events.push_back("main window"); }

private:
    Log& log_;
};

TEST(FirewallApp, SkinsBeforeTheMainWindowRunsItOnceAndClosesTheSkinOnTheWayOut) {
    Log log;
    RecordingSkin skin(log);
    RecordingApp app(skin, log);
    EXPECT_EQ(RunApplication(app, GetModuleHandleA(nullptr)), 0);
    const std::vector<std::string> expected = {"open SCRIBBLE module null null",
                                               "load DEFAULT SKINMAGIC module", "dialogs Dialog",
                                               "main window", "close"};
    EXPECT_EQ(log.events, expected);
    EXPECT_EQ(app.RegistryKey(), "Local AppWizard-Generated Applications");
}

TEST(FirewallApp, TheExitCodeIsZeroOrThatOfAQuitRequestLeftByTheModalLoop) {
    Log log;
    RecordingSkin skin(log);
    RecordingApp app(skin, log);
    EXPECT_EQ(app.ExitInstance(), 0);
    PostQuitMessage(7);
    EXPECT_EQ(app.ExitInstance(), 7);
    EXPECT_EQ(app.ExitInstance(), 0) << "the quit request is taken once";
}

TEST(FirewallApp, TheHelpCommandIsTheApplicationsAndNoOtherCommandIs) {
    Log log;
    RecordingSkin skin(log);
    RecordingApp app(skin, log);
    EXPECT_TRUE(app.OnCmdMsg(57670));
    EXPECT_FALSE(app.OnCmdMsg(1011));
}

} // namespace
